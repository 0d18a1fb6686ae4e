#pragma once
// Desktops that the program cannot ask which window has the focus (Wayland
// keeps that from its clients) but that run a script of ours: a KWin script
// on KDE Plasma, a Shell extension on GNOME. The script calls the program's
// D-Bus interface (org.vandrel.Configurator1.Focus) on every focus change;
// the program hands each report to report().

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QTemporaryDir>

#include "platform/focus/FocusBackend.h"

class QDBusServiceWatcher;
class QTimer;

namespace vandrel {

// Reports count only from the compositor's own connection, the current
// owner of its bus name (org.kde.KWin, org.gnome.Shell): any other program
// on the session bus could otherwise switch profiles and spend the
// keyboard's writes. The owner is followed, so a compositor that restarts
// is noticed.
class ReportedFocusBackend : public FocusBackend {
    Q_OBJECT
public:
    ReportedFocusBackend(QDBusConnection bus, QString compositorName, QObject* parent = nullptr);

    // Whether a report has arrived since start.
    bool reporting() const { return m_reporting; }
    // The compositor's unique name on the bus; empty while it is not there.
    const QString& compositor() const { return m_owner; }
    // How long the desktop's script may take to send its first report.
    void setFirstReportTimeout(int ms) { m_firstReportMs = ms; }

public slots:
    // A focus report of the desktop's script from the connection `sender`;
    // the executable is looked up from the process id.
    void report(vandrel::FocusEvent focus, const QString& sender);

protected:
    // Starts following the compositor's name; compositor() is its owner now.
    void watchCompositor();
    // The compositor came (owner set) or went (owner empty) after the start.
    virtual void compositorChanged(const QString& owner) = 0;
    // Says `why` through stopped() unless a report comes within the timeout.
    void expectReport(const QString& why);

    QDBusConnection m_bus;
    bool m_started = false;

private:
    QString m_name;
    QString m_owner;
    bool m_reporting = false;
    int m_firstReportMs = 5000;
    QDBusServiceWatcher* m_watcher = nullptr;
    QTimer* m_firstReport = nullptr;
    QString m_noReportWhy;
};

// KDE Plasma 5.27 and 6 on Wayland: the program loads its KWin script
// (kwin/vandrel-focus.js in its data folder) over D-Bus when it starts, again
// whenever KWin comes back (Plasma restarts a crashed KWin), and unloads it
// when it ends. The copy KWin loads sends its reports to this program's
// connection alone.
class KWinFocusBackend : public ReportedFocusBackend {
    Q_OBJECT
public:
    static constexpr const char* kPluginName = "vandrel-focus";
    KWinFocusBackend(QDBusConnection bus, QString scriptFile, QObject* parent = nullptr);
    ~KWinFocusBackend() override;

    QString name() const override { return QStringLiteral("KDE Plasma (KWin)"); }
    // Starts loading the script; a failure arrives later as stopped().
    bool start(QString* why) override;

    // The script as KWin gets it: reports addressed to `destination`.
    static QByteArray scriptFor(const QByteArray& shipped, const QString& destination);

protected:
    void compositorChanged(const QString& owner) override;

private:
    QDBusMessage scripting(const char* method) const;
    void load();
    QString m_script;
    QTemporaryDir m_copyFolder;
    bool m_loaded = false;
    int m_generation = 0;
};

// GNOME 43 and later on Wayland: the Shell extension that comes with the
// program (gnome-shell/43 or gnome-shell/45 in its data folder, by the
// Shell's module style) is put into the user's extension folder; the user
// logs in again (the Shell looks for new extensions only at login) and
// enables it once. Until then, start() succeeds but stopped() says what to do.
class GnomeFocusBackend : public ReportedFocusBackend {
    Q_OBJECT
public:
    static constexpr const char* kUuid = "vandrel-focus@vandrel.example";
    // `extensionsFolder`: ~/.local/share/gnome-shell/extensions by default.
    GnomeFocusBackend(QDBusConnection bus, QString shippedFolder, QString extensionsFolder = {},
                      QObject* parent = nullptr);

    QString name() const override { return QStringLiteral("GNOME Shell"); }
    bool start(QString* why) override;

    // The variant for a Shell version ("43.9" → "43", "46.2" → "45", "48.1"
    // → "45"); empty for a Shell older than 43.
    static QString variantFor(const QString& shellVersion);
    // Copies the variant's files into the user's folder unless they are
    // there already; false with the reason. `changed`: something was written.
    bool install(const QString& variant, QString* why, bool* changed = nullptr) const;
    // What to tell the user for the Shell's answer to GetExtensionInfo (its
    // "state" and "error"); empty when the extension runs.
    static QString advice(const QVariantMap& info, bool userExtensionsEnabled);

protected:
    void compositorChanged(const QString& owner) override;

private:
    void askVersion();
    void checkExtension(const QString& shellVersion);
    QString m_shipped;
    QString m_extensions;
};

}  // namespace vandrel
