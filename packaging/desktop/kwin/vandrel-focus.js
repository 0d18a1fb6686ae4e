// Tells the running Vandrel program which window has the focus, so that it
// can apply the profile its rules name. The program loads this script over
// D-Bus when it starts on KDE Plasma and unloads it when it ends; the copy it
// loads names the program's own connection in SERVICE, so that the reports
// reach no other program. The script reports once as it starts: that report
// tells the program the script runs.
// KWin 5.27 calls windows clients (clientActivated, activeClient); KWin 6
// calls them windows (windowActivated, activeWindow). Plain ES5: the script
// engine of KWin 5.27 knows no newer syntax.

var SERVICE = "org.vandrel.Configurator";
var OBJECT = "/org/vandrel/Configurator";
var INTERFACE = "org.vandrel.Configurator1.Focus";

var watched = null;

// KWin 5 gives the resource class and name as byte arrays (ArrayBuffer).
function text(value) {
    if (value === undefined || value === null) return "";
    if (Object.prototype.toString.call(value) === "[object ArrayBuffer]") {
        var bytes = new Uint8Array(value);
        var s = "";
        for (var i = 0; i < bytes.length; ++i) s += String.fromCharCode(bytes[i]);
        try {
            return decodeURIComponent(escape(s));
        } catch (e) {
            return s;
        }
    }
    return String(value);
}

function report(w) {
    if (!w) {
        callDBus(SERVICE, OBJECT, INTERFACE, "WindowActivated", "", "", "", "0", "desktop");
        return;
    }
    callDBus(SERVICE, OBJECT, INTERFACE, "WindowActivated", text(w.resourceClass), text(w.resourceName),
             text(w.caption), text(w.pid || 0), w.desktopWindow ? "desktop" : "normal");
}

// The focused window's title or class changed (a browser tab; a program
// that sets its class after its window appears).
function changed() {
    report(watched);
}

function follow(w, connect) {
    if (!w) return;
    if (w.captionChanged) connect ? w.captionChanged.connect(changed) : w.captionChanged.disconnect(changed);
    if (w.windowClassChanged)
        connect ? w.windowClassChanged.connect(changed) : w.windowClassChanged.disconnect(changed);
}

function activated(w) {
    follow(watched, false);
    watched = w;
    follow(w, true);
    report(w);
}

if (workspace.windowActivated) {
    workspace.windowActivated.connect(activated);
    activated(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(activated);
    activated(workspace.activeClient);
}
