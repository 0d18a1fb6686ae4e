#pragma once
// Desktops that the program cannot ask which window has the focus (Wayland
// keeps that from its clients) but that run a script of ours: a KWin script
// on KDE Plasma, a Shell extension on GNOME. The script calls the program's
// D-Bus interface (org.vandrel.Configurator1.Focus) on every focus change;
// the program hands each report to report().

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>

#include "platform/focus/FocusBackend.h"

namespace vandrel {

class ReportedFocusBackend : public FocusBackend {
    Q_OBJECT
public:
    explicit ReportedFocusBackend(QDBusConnection bus, QObject* parent = nullptr);

    // Whether a report has arrived since start.
    bool reporting() const { return m_reporting; }

public slots:
    // A focus report of the desktop's script; the executable is looked up
    // from the process id.
    void report(vandrel::FocusEvent focus);

protected:
    QDBusConnection m_bus;
    bool m_started = false;

private:
    bool m_reporting = false;
};

// KDE Plasma 5.27 and 6 on Wayland: the program loads its KWin script
// (kwin/vandrel-focus.js in its data folder) over D-Bus when it starts and
// unloads it when it ends.
class KWinFocusBackend : public ReportedFocusBackend {
    Q_OBJECT
public:
    static constexpr const char* kPluginName = "vandrel-focus";
    KWinFocusBackend(QDBusConnection bus, QString scriptFile, QObject* parent = nullptr);
    ~KWinFocusBackend() override;

    QString name() const override { return QStringLiteral("KDE Plasma (KWin)"); }
    // Starts loading the script; a failure arrives later as stopped().
    bool start(QString* why) override;

private:
    QDBusMessage scripting(const char* method) const;
    QString m_script;
    bool m_loaded = false;
};

// GNOME 43 to 47 on Wayland: the Shell extension that comes with the program
// (gnome-shell/43 or gnome-shell/45 in its data folder, by the Shell's
// module style) is put into the user's extension folder; the user enables
// it once. Until then, start() succeeds but stopped() says what to do.
class GnomeFocusBackend : public ReportedFocusBackend {
    Q_OBJECT
public:
    static constexpr const char* kUuid = "vandrel-focus@vandrel.example";
    // `extensionsFolder`: ~/.local/share/gnome-shell/extensions by default.
    GnomeFocusBackend(QDBusConnection bus, QString shippedFolder, QString extensionsFolder = {},
                      QObject* parent = nullptr);

    QString name() const override { return QStringLiteral("GNOME Shell"); }
    bool start(QString* why) override;

    // The variant for a Shell version ("43.9" → "43", "46.2" → "45"); empty
    // for a Shell the extension does not support.
    static QString variantFor(const QString& shellVersion);
    // Copies the variant's files into the user's folder unless they are
    // there already; false with the reason.
    bool install(const QString& variant, QString* why) const;

private:
    void checkExtension(const QString& shellVersion);
    QString m_shipped;
    QString m_extensions;
};

}  // namespace vandrel
