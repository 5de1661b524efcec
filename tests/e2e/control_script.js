// Drives the registered control the way a web-mail page does, from a local
// script host (no client site). Prints one line per step; the scenario
// compares them.
function hex(e) { return (e.number >>> 0).toString(16); }
function attempt(label, f) {
  try { WScript.Echo(label + " " + f()); } catch (e) { WScript.Echo(label + " error " + hex(e)); }
}

var control = new ActiveXObject("Vantrell.QPTTool");
attempt("version", function () { return control.Version; });
attempt("version", function () { return control.Version; });
attempt("protected", function () { return control.ProtectedMode; });
attempt("start", function () { control.StartMultipleDownload(); return "ok"; });
attempt("add", function () {
  control.AddDownload("/download.php?id=1", "a.txt", "1.5 MB");
  control.AddDownload("download.php?id=2", "A.TXT", "2 KB");
  return "ok";
});
// Emptied first: the downloads scenario answers the folder browser.
attempt("end", function () { control.StartMultipleDownload(); control.EndMultipleDownload("blue"); return "ok"; });
var keys = [], names = [], sizes = [];
attempt("prepare", function () {
  control.PrepareClipboard("mail.quillpost.com", "user", "green", "sid", keys, names, sizes);
  return "ok " + keys.length;
});
attempt("prepare-string", function () {
  var notArray = "keys";
  control.PrepareClipboard("mail.quillpost.com", "user", "green", "sid", notArray, names, sizes);
  return "ok " + notArray;
});
attempt("prepare-elsewhere", function () {
  control.PrepareClipboard("uploads.evil.example", "user", "green", "sid", keys, names, sizes);
  return "ok";
});
attempt("prepare-path", function () {
  control.PrepareClipboard("mail.quillpost.com//uploads.evil.example/up", "user", "green", "sid", keys, names, sizes);
  return "ok";
});
attempt("before", function () { control.BeforePaste(); return "ok"; });
attempt("after", function () { control.AfterPaste(); return "ok"; });
attempt("unregister-old", function () { control.UnregisterOld(); return "ok"; });
attempt("unregister", function () { control.Unregister(); return "ok"; });
attempt("version-after", function () { return control.Version; });
attempt("start-after", function () { control.StartMultipleDownload(); return "ok"; });
attempt("create-after", function () { new ActiveXObject("Vantrell.QPTTool"); return "created"; });
WScript.Quit(0);
