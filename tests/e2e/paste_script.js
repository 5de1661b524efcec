// Drives the paste members of the registered control as the mail page does
// around a paste:
//
//   cscript //nologo paste_script.js HOST USER SID STEPS
//
// STEPS is a comma-separated list of "prepare", "before" and "after", run
// in that order on one control. Prints one line per step: "STEP ok" (for
// prepare followed by the three arrays as JSON: {"keys":[...],"names":[...],
// "sizes":[...]}) or "STEP error HEX"; then "done".
function hex(e) { return (e.number >>> 0).toString(16); }

function quote(text) {
  var out = '"';
  for (var i = 0; i < text.length; i++) {
    var c = text.charCodeAt(i);
    if (c < 32 || c > 126 || c == 34 || c == 92) {
      out += "\\u" + ("000" + c.toString(16)).slice(-4);
    } else {
      out += text.charAt(i);
    }
  }
  return out + '"';
}

function value(v) {
  if (typeof v == "number") return String(v);
  if (typeof v == "string") return quote(v);
  return quote("<" + typeof v + ">");
}

// Every element the control wrote, also past a length it did not update.
function list(a) {
  var parts = [];
  for (var i = 0; i < a.length || typeof a[i] != "undefined"; i++) parts.push(value(a[i]));
  return "[" + parts.join(",") + "]";
}

var args = WScript.Arguments;
var host = args(0), user = args(1), sid = args(2), steps = args(3).split(",");
var control = new ActiveXObject("Vantrell.QPTTool");
for (var s = 0; s < steps.length; s++) {
  var step = steps[s];
  try {
    if (step == "prepare") {
      var keys = [], names = [], sizes = [];
      control.PrepareClipboard(host, user, "blue", sid, keys, names, sizes);
      WScript.Echo("prepare ok {\"keys\":" + list(keys) + ",\"names\":" + list(names) +
                   ",\"sizes\":" + list(sizes) + "}");
    } else if (step == "before") {
      control.BeforePaste();
      WScript.Echo("before ok");
    } else if (step == "after") {
      control.AfterPaste();
      WScript.Echo("after ok");
    } else {
      WScript.Echo(step + " unknown");
    }
  } catch (e) {
    WScript.Echo(step + " error " + hex(e));
  }
}
WScript.Echo("done");
WScript.Quit(0);
