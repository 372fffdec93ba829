// Tells AltoControl and TenorControl, whichever run, which application has
// the focus: on each change, and to a program that appears on the bus later.
// Calls go to each program's unique name, never start one, and carry only
// the application's id, its window class and its process id.
const PROGRAMS = ['com.talvex.AltoControl', 'com.talvex.TenorControl'];
const OBJECT_PATH = '/com/talvex/QuillmarkControl';
const INTERFACE = 'com.talvex.QuillmarkControl';
const CALL_TIMEOUT_MS = 2000;

class FocusReporter {
    enable() {
        this._owners = new Map();
        this._watches = PROGRAMS.map(name => Gio.bus_watch_name(
            Gio.BusType.SESSION, name, Gio.BusNameWatcherFlags.NONE,
            (connection, appeared, owner) => {
                this._owners.set(appeared, owner);
                this._report(owner);
            },
            (connection, vanished) => this._owners.delete(vanished)));
        this._focusChanged = global.display.connect('notify::focus-window',
            () => this._owners.forEach(owner => this._report(owner)));
    }

    disable() {
        global.display.disconnect(this._focusChanged);
        this._watches.forEach(watch => Gio.bus_unwatch_name(watch));
        this._watches = [];
        this._owners.clear();
    }

    _report(owner) {
        Gio.DBus.session.call(owner, OBJECT_PATH, INTERFACE, 'ReportFocus',
            new GLib.Variant('(sss)', this._focused()), null, Gio.DBusCallFlags.NO_AUTO_START,
            CALL_TIMEOUT_MS, null, (connection, result) => {
                try {
                    connection.call_finish(result);
                } catch (e) {
                    // The program ended meanwhile: nothing to tell.
                }
            });
    }

    // The desktop file's id (without ".desktop") where Shell knows the
    // window's application; on Wayland the window class is the client's app id.
    _focused() {
        const window = global.display.focus_window;
        if (!window)
            return ['', '', '0'];
        const app = Shell.WindowTracker.get_default().get_window_app(window);
        const desktopId = app && app.get_id() && app.get_id().endsWith('.desktop')
            ? app.get_id().slice(0, -'.desktop'.length) : '';
        return [desktopId || window.get_gtk_application_id() || '',
            window.get_wm_class() || '', String(window.get_pid() > 0 ? window.get_pid() : 0)];
    }
}
