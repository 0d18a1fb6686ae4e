// Tells the running Vandrel program which window has the focus, so that it
// can apply the profile its rules name. The program loads this script over
// D-Bus when it starts on KDE Plasma and unloads it when it ends.
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

function captionChanged() {
    report(watched);
}

function activated(w) {
    if (watched && watched.captionChanged) watched.captionChanged.disconnect(captionChanged);
    watched = w;
    if (w && w.captionChanged) w.captionChanged.connect(captionChanged);
    report(w);
}

if (workspace.windowActivated) {
    workspace.windowActivated.connect(activated);
    activated(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(activated);
    activated(workspace.activeClient);
}
