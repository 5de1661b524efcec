// The scan of CF_HTML's markup behind the cid: test and the rewrite: a walk
// over the tokens that jumps, in each state, to the next byte that can
// change something there, sixteen bytes at a time where SSE2 is there.
// Included by cf_html.cpp only.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "control/clipboard/cf_html.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gwax::cf_html_scan {

inline bool IsLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Where the scan is in the HTML. The header needs no state of its own: it
// is read line by line above, and before its first "<" the scan does
// nothing but look for that "<".
enum class State {
  kText,
  kTag,
  kComment,
  kCommentEnd,
  kDeclaration,
  kImageTag,
  kSource,
  kSourceValue
};

// The bytes at which a state may change: up to four marks, and the start
// of the state's keyword (three letters, lower case, met in either case).
// Any other byte of the state belongs to a token that changes nothing there.
struct Stops {
  unsigned char marks[4];
  char keyword[4];  // "": none
};
inline constexpr Stops kCommentStops = {{'!', '-', '"', '!'}, "vml"};  // "!--" is no "--"
inline constexpr Stops kDeclarationStops = {{'>', '"', '>', '>'}, "vml"};
inline constexpr Stops kImageTagStops = {{'>', '"', '>', '>'}, "src"};
inline constexpr Stops kSourceStops = {{'=', '>', '"', '='}, ""};
inline constexpr Stops kSourceValueStops = {{'"', '\'', '>', '"'}, ""};

inline bool StartsKeyword(const unsigned char* data, size_t at, size_t size, const char* keyword) {
  return keyword[0] != 0 && size - at >= 3 && (data[at] | 0x20) == keyword[0] &&
         (data[at + 1] | 0x20) == keyword[1] && (data[at + 2] | 0x20) == keyword[2];
}

// The first stop at or after `at`, or `size`. A keyword counts here
// wherever its letters are; whether they are a token of their own is for
// the caller to see. The stops are constants, so that no call spends its
// time setting up its comparisons.
template <const Stops& stops>
size_t FindStop(const unsigned char* data, size_t at, size_t size) {
  const auto isMark = [](unsigned char c) {
    return c == stops.marks[0] || c == stops.marks[1] || c == stops.marks[2] || c == stops.marks[3];
  };
#if defined(__SSE2__)
  // Sixteen bytes at a time: most of a block is text and attributes that no stop lies in.
  const __m128i mark0 = _mm_set1_epi8(static_cast<char>(stops.marks[0]));
  const __m128i mark1 = _mm_set1_epi8(static_cast<char>(stops.marks[1]));
  const __m128i mark2 = _mm_set1_epi8(static_cast<char>(stops.marks[2]));
  const __m128i mark3 = _mm_set1_epi8(static_cast<char>(stops.marks[3]));
  const __m128i fold = _mm_set1_epi8(0x20);
  const __m128i key0 = _mm_set1_epi8(stops.keyword[0]);
  const __m128i key1 = _mm_set1_epi8(stops.keyword[1]);
  const __m128i key2 = _mm_set1_epi8(stops.keyword[2]);
  const auto load = [&](size_t i) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
  };
  for (; at + 18 <= size; at += 16) {
    const __m128i chunk = load(at);
    __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, mark0), _mm_cmpeq_epi8(chunk, mark1)),
                     _mm_or_si128(_mm_cmpeq_epi8(chunk, mark2), _mm_cmpeq_epi8(chunk, mark3)));
    if (stops.keyword[0] != 0) {
      const __m128i keyword =
          _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(chunk, fold), key0),
                                      _mm_cmpeq_epi8(_mm_or_si128(load(at + 1), fold), key1)),
                        _mm_cmpeq_epi8(_mm_or_si128(load(at + 2), fold), key2));
      hits = _mm_or_si128(hits, keyword);
    }
    const int mask = _mm_movemask_epi8(hits);
    if (mask != 0) return at + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  while (at < size && !isMark(data[at]) && !StartsKeyword(data, at, size, stops.keyword)) ++at;
  return at;
}

// Whether the keyword at `at` is a token: no letter just before or after it.
inline bool IsKeywordToken(const unsigned char* data, size_t at, size_t size) {
  return (at == 0 || !IsLetter(data[at - 1])) && (at + 3 == size || !IsLetter(data[at + 3]));
}

// Text and tags take turns through most of a block, and between them
// nothing but "<" and ">" changes anything: after a run of those the state
// is set by the last one. So both are read sixteen bytes at a time, and the
// walk stops only at a quote (a token in both), a "!" or an "img" (which
// mean something in a tag). Returns that stop, or `size`, with `inTag`
// telling which of the two the walk is in there.
inline size_t SkipMarkup(const unsigned char* data, size_t at, size_t size, bool& inTag) {
#if defined(__SSE2__)
  const __m128i open = _mm_set1_epi8('<'), close = _mm_set1_epi8('>');
  const __m128i quote = _mm_set1_epi8('"'), bang = _mm_set1_epi8('!'), fold = _mm_set1_epi8(0x20);
  const __m128i i = _mm_set1_epi8('i'), m = _mm_set1_epi8('m'), g = _mm_set1_epi8('g');
  const auto load = [&](size_t k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + k));
  };
  unsigned tag = inTag;
  for (; at + 18 <= size; at += 16) {
    const __m128i chunk = load(at);
    const unsigned opens = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, open)));
    const unsigned brackets =
        opens | static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, close)));
    const __m128i image =
        _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(chunk, fold), i),
                                    _mm_cmpeq_epi8(_mm_or_si128(load(at + 1), fold), m)),
                      _mm_cmpeq_epi8(_mm_or_si128(load(at + 2), fold), g));
    const unsigned stops = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, bang)), image)));
    const unsigned first = stops ? static_cast<unsigned>(__builtin_ctz(stops)) : 16;
    const unsigned before = brackets & ((1u << first) - 1);
    if (before) tag = (opens >> (31 - __builtin_clz(before))) & 1;
    if (stops) {
      inTag = tag;
      return at + first;
    }
  }
  inTag = tag;
#endif
  for (; at < size; ++at) {
    const unsigned char c = data[at];
    if (c == '"' || c == '!' || StartsKeyword(data, at, size, "img")) return at;
    if (c == '<') {
      inTag = true;
    } else if (c == '>') {
      inTag = false;
    }
  }
  return at;
}

// Walks the tokens of `text` from `at` and tells `visitor` about an "img"
// in a tag (Image), a "vml" in a comment or declaration (Vml) and each
// quoted source of an img (Source, which returns false to stop the walk).
//
// This is the hot loop of a paste, so it cuts no token it need not: in
// each state it jumps to the next byte that can change something there.
// That is sound because every token that matters starts with a byte no
// other token holds ("<", ">", "=", "!", "-", a quote) or is a keyword,
// found by its letters and then checked for letters around it; quoted
// strings, which may hold any byte, are stepped over whole.
template <typename Visitor>
void WalkTags(std::string_view text, size_t at, Visitor& visitor) {
  const auto* const data = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  const auto quotedLength = [&](size_t from) -> size_t {
    const void* quote = std::memchr(data + from + 1, '"', size - from - 1);
    return quote ? static_cast<const unsigned char*>(quote) - data + 1 - from : size - from;
  };
  State state = State::kText;
  while (at < size) {
    if (state == State::kText || state == State::kTag) {
      bool inTag = state == State::kTag;
      at = SkipMarkup(data, at, size, inTag);
      state = inTag ? State::kTag : State::kText;
      if (at >= size) return;
      const unsigned char c = data[at];
      if (c == '"') {
        at += quotedLength(at);
      } else if (!inTag) {
        ++at;
      } else if (c == '!') {
        const bool comment = size - at >= 3 && data[at + 1] == '-' && data[at + 2] == '-';
        state = comment ? State::kComment : State::kDeclaration;
        at += comment ? 3 : 1;
      } else if (IsKeywordToken(data, at, size)) {
        visitor.Image(at);
        state = State::kImageTag;
        at += 3;
      } else {
        ++at;
      }
      continue;
    }
    if (state == State::kCommentEnd) {
      // Any token but ">" goes back into the comment, so this one is cut in full.
      const size_t length = TokenLength(text, at);
      state = data[at] == '>' ? State::kText : State::kComment;
      at += length;
      continue;
    }
    switch (state) {
      case State::kComment:
        at = FindStop<kCommentStops>(data, at, size);
        break;
      case State::kDeclaration:
        at = FindStop<kDeclarationStops>(data, at, size);
        break;
      case State::kImageTag:
        at = FindStop<kImageTagStops>(data, at, size);
        break;
      case State::kSource:
        at = FindStop<kSourceStops>(data, at, size);
        break;
      default:
        at = FindStop<kSourceValueStops>(data, at, size);
        break;
    }
    if (at >= size) return;
    const unsigned char c = data[at];
    size_t length = 1;
    if (c == '"') {
      length = quotedLength(at);
    } else if (c == '!' && size - at >= 3 && data[at + 1] == '-' && data[at + 2] == '-') {
      length = 3;
    } else if (c == '-' && size - at >= 2 && data[at + 1] == '-') {
      length = 2;
    }
    const bool keyword = IsLetter(c) && IsKeywordToken(data, at, size);
    if (keyword) length = 3;
    switch (state) {
      case State::kComment:
        if (c == '-' && length == 2) {
          state = State::kCommentEnd;
        } else if (keyword) {
          visitor.Vml(at);
        }
        break;
      case State::kDeclaration:
        if (c == '>') {
          state = State::kText;
        } else if (keyword) {
          visitor.Vml(at);
        }
        break;
      case State::kImageTag:
        if (c == '>') {
          state = State::kText;
        } else if (keyword) {
          state = State::kSource;
        }
        break;
      case State::kSource:
        if (c == '=') {
          state = State::kSourceValue;
        } else if (c == '>') {
          state = State::kText;
        }
        break;
      case State::kSourceValue:
        if (c == '"' || c == '\'') {
          if (!visitor.Source(at, length)) return;
          state = State::kImageTag;
        } else if (c == '>') {
          state = State::kText;
        }
        break;
      default:
        break;
    }
    at += length;
  }
}

}  // namespace gwax::cf_html_scan
