// The KWin script and the GNOME Shell extension, run against stand-ins of
// KWin's and the Shell's script objects: the D-Bus calls they make for each
// focus change are the ones the program takes.
// Usage: node DesktopScriptsTest.js <packaging/desktop>

'use strict';
const assert = require('assert');
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const dir = process.argv[2];
let passed = 0, failed = 0;
function test(name, body) {
    try {
        body();
        passed++;
        console.log('ok - ' + name);
    } catch (e) {
        failed++;
        console.log('not ok - ' + name + '\n' + e.stack);
    }
}

class Signal {
    constructor() { this.handlers = []; }
    connect(f) { this.handlers.push(f); }
    disconnect(f) { this.handlers = this.handlers.filter(h => h !== f); }
    emit(...args) { this.handlers.slice().forEach(h => h(...args)); }
}

const FOCUS = ['org.vandrel.Configurator', '/org/vandrel/Configurator', 'org.vandrel.Configurator1.Focus',
    'WindowActivated'];

// ---- KWin ----

function runKWin(workspace) {
    const calls = [];
    const context = vm.createContext({workspace, callDBus: (...args) => calls.push(args)});
    vm.runInContext(fs.readFileSync(path.join(dir, 'kwin', 'vandrel-focus.js'), 'utf8'), context);
    return {calls, context};
}

test('KWin 6: activation and caption changes are reported, the desktop too', () => {
    const firefox = {resourceClass: 'firefox', resourceName: 'Navigator', caption: 'Start', pid: 4242,
        desktopWindow: false, captionChanged: new Signal()};
    const ws = {windowActivated: new Signal(), windowList() { return []; }, activeWindow: firefox};
    const {calls} = runKWin(ws);
    assert.deepStrictEqual(calls, [[...FOCUS, 'firefox', 'Navigator', 'Start', '4242', 'normal']]);
    firefox.caption = 'Twitch';
    firefox.captionChanged.emit();
    assert.deepStrictEqual(calls[1], [...FOCUS, 'firefox', 'Navigator', 'Twitch', '4242', 'normal']);
    const desk = {resourceClass: 'plasmashell', resourceName: 'plasmashell', caption: 'Desktop', pid: 7,
        desktopWindow: true, captionChanged: new Signal()};
    ws.windowActivated.emit(desk);
    assert.strictEqual(calls[2][8], 'desktop');
    // The earlier window's title no longer counts.
    firefox.captionChanged.emit();
    assert.strictEqual(calls.length, 3);
    // A program that sets its class after its window appeared.
    const game = {resourceClass: 'wine', resourceName: 'wine', caption: 'Game', pid: 31, desktopWindow: false,
        captionChanged: new Signal(), windowClassChanged: new Signal()};
    ws.windowActivated.emit(game);
    game.resourceClass = 'steam_app_730';
    game.windowClassChanged.emit();
    assert.deepStrictEqual(calls[4], [...FOCUS, 'steam_app_730', 'wine', 'Game', '31', 'normal']);
    ws.windowActivated.emit(desk);
    game.windowClassChanged.emit();
    assert.strictEqual(calls.length, 6);
    calls.splice(3, 3);
    ws.windowActivated.emit(null);
    assert.deepStrictEqual(calls[3], [...FOCUS, '', '', '', '0', 'desktop']);
});

test('KWin 5.27: clients, with the class as a byte array', () => {
    const ws = {clientActivated: new Signal(), activeClient: null};
    const {calls, context} = runKWin(ws);
    assert.deepStrictEqual(calls, [[...FOCUS, '', '', '', '0', 'desktop']]);
    // A QByteArray reaches the script as an ArrayBuffer of that engine.
    const bytes = vm.runInContext('new Uint8Array([115, 116, 101, 97, 109]).buffer', context);
    ws.clientActivated.emit({resourceClass: bytes, resourceName: bytes, caption: 'Steam', pid: 99,
        desktopWindow: false, captionChanged: new Signal()});
    assert.deepStrictEqual(calls[1], [...FOCUS, 'steam', 'steam', 'Steam', '99', 'normal']);
});

// ---- GNOME Shell ----

function shared(variant) {
    const text = fs.readFileSync(path.join(dir, 'gnome-shell', variant, 'extension.js'), 'utf8');
    const start = text.indexOf('// --- focus reporting');
    const end = text.indexOf('// --- end of focus reporting ---');
    assert.ok(start >= 0 && end > start, variant + ': the focus reporting block is missing');
    return text.slice(start, end);
}

// The Shell's session connection and the bus: `processes` maps a unique
// name to the process that owns it ({uid, pid, exe}).
function fakeShell() {
    const calls = [];
    let nextId = 1;
    const watchers = {};
    const processes = {};
    const session = {
        call(service, object, iface, method, args, type, flags, timeout, cancellable, done) {
            if (method === 'GetConnectionCredentials') {
                const p = processes[args.values[0]];
                done(session, {unpack: () => {
                    if (!p) throw new Error('no such name');
                    return [{UnixUserID: p.uid, ProcessID: p.pid}];
                }});
                return;
            }
            calls.push([service, object, iface, method, args.signature, ...args.values]);
        },
        call_finish(result) { return {recursiveUnpack: result.unpack}; },
    };
    const Gio = {
        BusType: {SESSION: 2}, BusNameWatcherFlags: {NONE: 0}, DBusCallFlags: {NONE: 0, NO_AUTO_START: 1},
        bus_watch_name(type, name, flags, appeared, vanished) {
            const id = nextId++;
            watchers[id] = {name, appeared, vanished};
            return id;
        },
        bus_unwatch_name(id) { delete watchers[id]; },
        Credentials: {new: () => ({get_unix_user: () => 1000})},
        DBus: {session},
    };
    const GLib = {
        Variant: function (signature, values) { this.signature = signature; this.values = values; },
        file_read_link(file) {
            const p = Object.values(processes).find(q => `/proc/${q.pid}/exe` === file);
            if (!p) throw new Error('no such file');
            return p.exe;
        },
    };
    const Meta = {WindowType: {NORMAL: 0, DESKTOP: 1}};
    function connectable(target) {
        const handlers = {};
        target.connect = (signal, f) => { const id = nextId++; handlers[id] = {signal, f}; return id; };
        target.disconnect = id => { delete handlers[id]; };
        target.emit = signal => Object.values(handlers).filter(h => h.signal === signal).forEach(h => h.f());
        target.handlerCount = () => Object.keys(handlers).length;
        return target;
    }
    const display = connectable({focus_window: null});
    function window(cls, instance, title, pid, type = 0) {
        return connectable({get_wm_class: () => cls, get_wm_class_instance: () => instance, get_title() { return this.title; },
            title, get_pid: () => pid, get_window_type: () => type});
    }
    // The program's name gets an owner, or loses it.
    function owner(unique, process) {
        if (process) processes[unique] = process;
        Object.values(watchers).forEach(w => unique ? w.appeared(session, w.name, unique) : w.vanished(session, w.name));
    }
    return {calls, watchers, Gio, GLib, Meta, display, window, owner};
}

test('GNOME: both versions of the extension share the same focus reporting', () => {
    assert.strictEqual(shared('43'), shared('45'));
});

function startReporter(shell) {
    const context = vm.createContext({});
    vm.runInContext(shared('45') + '\nthis.FocusReporter = FocusReporter;', context);
    return new context.FocusReporter(shell.display, shell.Gio, shell.GLib, shell.Meta);
}

const PROGRAM = ':1.42';
const REPORT = [PROGRAM, ...FOCUS.slice(1)];

test('GNOME: focus, title, class and the program appearing are reported; disable leaves nothing behind', () => {
    const shell = fakeShell();
    const game = shell.window('steam_app_730', 'steam_app_730', 'Counter-Strike 2', 5150);
    shell.display.focus_window = game;
    const reporter = startReporter(shell);
    // Nothing goes out before the program is on the bus.
    assert.deepStrictEqual(shell.calls, []);
    // The program starts after the Shell: it hears of the focus at once, on its own connection.
    shell.owner(PROGRAM, {uid: 1000, pid: 77, exe: '/opt/vandrel/Vandrel'});
    assert.deepStrictEqual(shell.calls, [[...REPORT, '(sssss)', 'steam_app_730', 'steam_app_730', 'Counter-Strike 2',
        '5150', 'normal']]);
    game.title = 'Counter-Strike 2 - Loading';
    game.emit('notify::title');
    assert.strictEqual(shell.calls[1][7], 'Counter-Strike 2 - Loading');
    game.emit('notify::wm-class');
    assert.strictEqual(shell.calls.length, 3);
    const desktop = shell.window('nautilus-desktop', 'nautilus', 'Desktop', 10, 1);
    shell.display.focus_window = desktop;
    shell.display.emit('notify::focus-window');
    assert.strictEqual(shell.calls[3][9], 'desktop');
    assert.strictEqual(game.handlerCount(), 0);
    shell.display.focus_window = null;
    shell.display.emit('notify::focus-window');
    assert.deepStrictEqual(shell.calls[4].slice(5), ['', '', '', '0', 'desktop']);
    reporter.destroy();
    assert.strictEqual(shell.display.handlerCount(), 0);
    assert.strictEqual(desktop.handlerCount(), 0);
    assert.deepStrictEqual(shell.watchers, {});
});

test('GNOME: window titles go to the program alone, never to another owner of its name', () => {
    const shell = fakeShell();
    const browser = shell.window('firefox', 'Navigator', 'Bank — Mozilla Firefox', 4242);
    shell.display.focus_window = browser;
    startReporter(shell);
    // Another program of the user's, another user's program, a name whose owner left at once.
    shell.owner(':1.7', {uid: 1000, pid: 88, exe: '/usr/bin/python3.11'});
    shell.owner(':1.8', {uid: 1001, pid: 89, exe: '/opt/vandrel/Vandrel'});
    shell.owner(':1.9');
    browser.emit('notify::title');
    assert.deepStrictEqual(shell.calls, []);
    shell.owner(PROGRAM, {uid: 1000, pid: 77, exe: '/opt/vandrel/Vandrel (deleted)'});
    assert.strictEqual(shell.calls.length, 1);
    assert.strictEqual(shell.calls[0][0], PROGRAM);
    // The program ends: nothing more goes out until it is back.
    shell.owner(null);
    browser.emit('notify::title');
    assert.strictEqual(shell.calls.length, 1);
});

test('GNOME: metadata names the extension the program installs, per Shell version', () => {
    const old = JSON.parse(fs.readFileSync(path.join(dir, 'gnome-shell', '43', 'metadata.json'), 'utf8'));
    const esm = JSON.parse(fs.readFileSync(path.join(dir, 'gnome-shell', '45', 'metadata.json'), 'utf8'));
    assert.strictEqual(old.uuid, 'vandrel-focus@vandrel.example');
    assert.strictEqual(esm.uuid, old.uuid);
    assert.deepStrictEqual(old['shell-version'], ['43', '44']);
    assert.deepStrictEqual(esm['shell-version'], ['45', '46', '47', '48', '49']);
    const legacy = fs.readFileSync(path.join(dir, 'gnome-shell', '43', 'extension.js'), 'utf8');
    const module = fs.readFileSync(path.join(dir, 'gnome-shell', '45', 'extension.js'), 'utf8');
    assert.ok(/function init\(\)/.test(legacy) && !/^import /m.test(legacy));
    assert.ok(/^export default class/m.test(module) && /^import /m.test(module));
    // Each parses in its own style: a script, and a module.
    new vm.Script(legacy);
    const copy = path.join(fs.mkdtempSync(path.join(require('os').tmpdir(), 'vandrel-ext-')), 'extension.mjs');
    fs.writeFileSync(copy, module);
    require('child_process').execFileSync(process.execPath, ['--check', copy]);
    fs.rmSync(path.dirname(copy), {recursive: true});
});

console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
