// Vandrel focus reporter for GNOME Shell 43 and 44 (extensions as scripts).
// It tells the running Vandrel program which window has the focus, so that
// the program can apply the profile its rules name.
'use strict';

const {Gio, GLib, Meta} = imports.gi;

// --- focus reporting (the same in both versions of the extension) ---
const SERVICE = 'org.vandrel.Configurator';
const OBJECT = '/org/vandrel/Configurator';
const INTERFACE = 'org.vandrel.Configurator1.Focus';
// The program's executable, as the program folder holds it.
const PROGRAM = /\/[Vv]andrel( \(deleted\))?$/;

// Reports the focused window, and its title or class when that changes, to
// the running Vandrel program; reports again when the program appears on the
// bus. Window titles go only to the program itself: to the connection that
// owns the program's name, once its credentials show the same user running
// the Vandrel executable; nothing is sent while no such owner is there.
class FocusReporter {
    constructor(display, Gio, GLib, Meta) {
        this._display = display;
        this._Gio = Gio;
        this._GLib = GLib;
        this._Meta = Meta;
        this._window = null;
        this._windowIds = [];
        this._program = null;
        this._candidate = null;
        this._focusId = display.connect('notify::focus-window', () => this._focusChanged());
        this._watchId = Gio.bus_watch_name(Gio.BusType.SESSION, SERVICE, Gio.BusNameWatcherFlags.NONE,
            (connection, name, owner) => this._appeared(owner), () => this._vanished());
        this._focusChanged();
    }

    _appeared(owner) {
        this._program = null;
        this._candidate = owner;
        this._Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
            'GetConnectionCredentials', new this._GLib.Variant('(s)', [owner]), null,
            this._Gio.DBusCallFlags.NONE, 1000, null, (connection, result) => {
                let credentials;
                try {
                    credentials = connection.call_finish(result).recursiveUnpack()[0];
                } catch (e) {
                    return;
                }
                if (this._candidate !== owner || !this._isProgram(credentials))
                    return;
                this._program = owner;
                this._report();
            });
    }

    _vanished() {
        this._program = null;
        this._candidate = null;
    }

    _isProgram(credentials) {
        if (!credentials || credentials.UnixUserID !== this._Gio.Credentials.new().get_unix_user())
            return false;
        let exe;
        try {
            exe = this._GLib.file_read_link(`/proc/${credentials.ProcessID}/exe`);
        } catch (e) {
            return false;
        }
        return PROGRAM.test(exe);
    }

    _focusChanged() {
        if (this._window)
            this._windowIds.forEach(id => this._window.disconnect(id));
        this._window = this._display.focus_window;
        this._windowIds = this._window
            ? ['notify::title', 'notify::wm-class'].map(signal => this._window.connect(signal, () => this._report()))
            : [];
        this._report();
    }

    _report() {
        if (!this._program)
            return;
        const w = this._window;
        const desktop = !w || w.get_window_type() === this._Meta.WindowType.DESKTOP;
        const args = new this._GLib.Variant('(sssss)', [
            w ? w.get_wm_class() || '' : '',
            w ? w.get_wm_class_instance() || '' : '',
            w ? w.get_title() || '' : '',
            String(w ? w.get_pid() : 0),
            desktop ? 'desktop' : 'normal',
        ]);
        this._Gio.DBus.session.call(this._program, OBJECT, INTERFACE, 'WindowActivated', args, null,
            this._Gio.DBusCallFlags.NO_AUTO_START, 1000, null, null);
    }

    destroy() {
        if (this._window)
            this._windowIds.forEach(id => this._window.disconnect(id));
        this._display.disconnect(this._focusId);
        this._Gio.bus_unwatch_name(this._watchId);
        this._window = null;
        this._windowIds = [];
        this._program = null;
        this._candidate = null;
    }
}
// --- end of focus reporting ---

class Extension {
    enable() {
        this._reporter = new FocusReporter(global.display, Gio, GLib, Meta);
    }

    disable() {
        this._reporter.destroy();
        this._reporter = null;
    }
}

// eslint-disable-next-line no-unused-vars
function init() {
    return new Extension();
}
