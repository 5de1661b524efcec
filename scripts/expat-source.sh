#!/usr/bin/env bash
# Fetches and unpacks expat's Debian source package (bookworm, main) for the
# fuzz tree, which compiles the parser with coverage instrumentation.
#
#   scripts/expat-source.sh [DIR]     DIR defaults to build/expat-src
#
# Prints the directory of expat's own CMake project in the unpacked package
# (DIR/source/expat) on stdout; progress goes to stderr. Once unpacked, later
# runs print it without going online.
#
# The package comes through apt with a private configuration: its own
# sources list (one deb-src line, the mirror the machine's apt sources already
# use for bookworm), index, cache and lock, so the machine's own apt state is
# neither read for sources nor changed. apt checks the signed Release file
# against the Debian archive keyring and the files it downloads against the
# index's checksums; dpkg-source checks the tarballs against the .dsc.
# Needs apt-get and dpkg-source (dpkg-dev); exits non-zero if the package
# cannot be had.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$root/build/expat-src}
suite=bookworm
tree=$dest/source

say() { echo "expat-source: $*" >&2; }

if [ -f "$tree/.unpacked" ]; then
  echo "$tree/expat"
  exit 0
fi

for tool in apt-get dpkg-source flock; do
  if ! command -v "$tool" >/dev/null; then
    say "$tool is missing (scripts/deps.sh installs it)"
    exit 1
  fi
done

mkdir -p "$dest"
# One fetch at a time, should two trees be configured at once.
exec 9>"$dest/.lock"
flock 9
if [ -f "$tree/.unpacked" ]; then
  echo "$tree/expat"
  exit 0
fi

# The mirror and keyring of the machine's own entry for the suite, from the
# one-line (*.list) and the deb822 (*.sources) formats.
mirror_and_key() {
  local files=()
  [ -f /etc/apt/sources.list ] && files+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v suite="$suite" '
    function has(list, word,   n, i, a) {
      n = split(list, a, /[ \t]+/)
      for (i = 1; i <= n; i++) if (a[i] == word) return 1
      return 0
    }
    function flush() {
      if (uris != "" && enabled != "no" && (has(types, "deb") || has(types, "deb-src")) &&
          has(suites, suite) && has(comps, "main")) {
        split(uris, u, /[ \t]+/)
        if (!found) { print u[1] "\t" (key ~ /^\// ? key : ""); found = 1 }
      }
      types = uris = suites = comps = key = enabled = ""
    }
    FNR == 1 { flush(); deb822 = (FILENAME ~ /\.sources$/) }
    deb822 {
      if ($0 ~ /^[ \t]*$/) { flush(); next }
      if ($0 ~ /^#/ || $0 ~ /^[ \t]/) next
      field = tolower($0); sub(/:.*/, "", field)
      value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
      if (field == "types") types = value
      else if (field == "uris") uris = value
      else if (field == "suites") suites = value
      else if (field == "components") comps = value
      else if (field == "signed-by") key = value
      else if (field == "enabled") enabled = tolower(value)
      next
    }
    /^[ \t]*deb(-src)?[ \t]/ {
      line = $0; sub(/#.*/, "", line)
      opts = ""
      if (match(line, /\[[^]]*\]/)) {
        opts = substr(line, RSTART + 1, RLENGTH - 2)
        line = substr(line, 1, RSTART - 1) substr(line, RSTART + RLENGTH)
      }
      n = split(line, w, /[ \t]+/)
      first = (w[1] == "") ? 2 : 1
      types = w[first]; uris = w[first + 1]; suites = w[first + 2]; comps = ""
      for (i = first + 3; i <= n; i++) comps = comps " " w[i]
      key = ""
      if (match(opts, /signed-by=[^ \t]+/)) key = substr(opts, RSTART + 10, RLENGTH - 10)
      flush()
    }
    END { flush() }
  ' "${files[@]}"
}

entry=$(mirror_and_key)
mirror=${entry%%$'\t'*}
key=${entry#*$'\t'}
if [ -z "$mirror" ]; then
  say "no apt source for $suite main on this machine to take the mirror from"
  exit 1
fi
[ -n "$key" ] || { [ -f /usr/share/keyrings/debian-archive-keyring.gpg ] &&
  key=/usr/share/keyrings/debian-archive-keyring.gpg; } || true

work=$(mktemp -d "$dest/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -p "$work/lists" "$work/cache" "$work/parts" "$work/download"
echo "deb-src ${key:+[signed-by=$key] }$mirror $suite main" >"$work/sources.list"
# apt reads APT_CONFIG first, then the parts directory, then the main file.
# The parts directory stays the machine's own (a proxy set there still
# applies); the main file, read last, points apt at the private lists and
# cache and drops the update hooks, which concern the machine's own lists.
cat >"$work/apt.conf" <<EOF
Dir::Etc::Main "$work/main.conf";
EOF
{
  [ -f /etc/apt/apt.conf ] && echo "#include \"/etc/apt/apt.conf\";"
  cat <<EOF
#clear APT::Update::Pre-Invoke;
#clear APT::Update::Post-Invoke;
#clear APT::Update::Post-Invoke-Success;
Dir::Etc::SourceList "$work/sources.list";
Dir::Etc::SourceParts "$work/parts";
Dir::State::Lists "$work/lists";
Dir::Cache "$work/cache";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
Acquire::Retries "1";
Acquire::http::Timeout "30";
Acquire::https::Timeout "30";
Acquire::Languages "none";
EOF
} >"$work/main.conf"
export APT_CONFIG=$work/apt.conf

# apt downloads as its unprivileged user when run as root.
if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then
  chown _apt "$work/download"
fi

say "fetching expat's source package ($suite main)"
if ! timeout 300 apt-get -q update >"$work/update.log" 2>&1 ||
   grep -q -E '^(E|Err):|Failed to fetch' "$work/update.log"; then
  cat "$work/update.log" >&2
  say "could not read the $suite source index"
  exit 1
fi
if ! (cd "$work/download" && timeout 300 apt-get -q source --download-only expat) >"$work/source.log" 2>&1; then
  cat "$work/source.log" >&2
  say "could not download expat's source package"
  exit 1
fi

dsc=$(ls "$work/download"/expat_*.dsc)
version=$(sed -n 's/^Version: //p' "$dsc")
rm -rf "$work/tree"
dpkg-source -x "$dsc" "$work/tree" >"$work/extract.log" 2>&1 || {
  cat "$work/extract.log" >&2
  say "dpkg-source could not unpack $(basename "$dsc")"
  exit 1
}
# The package keeps upstream's tree in expat/, beside debian/.
[ -f "$work/tree/expat/lib/xmlparse.c" ] && [ -f "$work/tree/expat/CMakeLists.txt" ] || {
  say "unexpected layout in expat $version's source"
  exit 1
}
echo "$version" >"$work/tree/.unpacked"
rm -rf "$tree"
mv "$work/tree" "$tree"
say "expat $version unpacked in $tree"
echo "$tree/expat"
