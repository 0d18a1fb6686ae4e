// Vandrel focus reporter for GNOME Shell 43 and 44 (extensions as scripts).
// It tells the running Vandrel program which window has the focus, so that
// the program can apply the profile its rules name.
'use strict';

const {Gio, GLib, Meta} = imports.gi;

// --- focus reporting (the same in both versions of the extension) ---
const SERVICE = 'org.vandrel.Configurator';
const OBJECT = '/org/vandrel/Configurator';
const INTERFACE = 'org.vandrel.Configurator1.Focus';

// Reports the focused window, and its title when that changes, to the
// running Vandrel program; reports again when the program appears on the bus.
class FocusReporter {
    constructor(display, Gio, GLib, Meta) {
        this._display = display;
        this._Gio = Gio;
        this._GLib = GLib;
        this._Meta = Meta;
        this._window = null;
        this._titleId = 0;
        this._focusId = display.connect('notify::focus-window', () => this._focusChanged());
        this._watchId = Gio.bus_watch_name(Gio.BusType.SESSION, SERVICE, Gio.BusNameWatcherFlags.NONE,
            () => this._report(), null);
        this._focusChanged();
    }

    _focusChanged() {
        if (this._window && this._titleId)
            this._window.disconnect(this._titleId);
        this._window = this._display.focus_window;
        this._titleId = this._window ? this._window.connect('notify::title', () => this._report()) : 0;
        this._report();
    }

    _report() {
        const w = this._window;
        const desktop = !w || w.get_window_type() === this._Meta.WindowType.DESKTOP;
        const args = new this._GLib.Variant('(sssss)', [
            w ? w.get_wm_class() || '' : '',
            w ? w.get_wm_class_instance() || '' : '',
            w ? w.get_title() || '' : '',
            String(w ? w.get_pid() : 0),
            desktop ? 'desktop' : 'normal',
        ]);
        this._Gio.DBus.session.call(SERVICE, OBJECT, INTERFACE, 'WindowActivated', args, null,
            this._Gio.DBusCallFlags.NO_AUTO_START, 1000, null, null);
    }

    destroy() {
        if (this._window && this._titleId)
            this._window.disconnect(this._titleId);
        this._display.disconnect(this._focusId);
        this._Gio.bus_unwatch_name(this._watchId);
        this._window = null;
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
