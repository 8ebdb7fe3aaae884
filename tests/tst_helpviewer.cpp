// The real desktop's shell open of the help file: a desktop that knows a
// program for compiled help files shows it there; where none is known, a
// viewer of that kind on the PATH does. Runs on a real X server (the test
// command starts Xvfb); whatever it starts is ended again.

#include "help/helpmenu.h"
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/types.h>

using namespace bilan;

namespace {

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The programs (first word of the command line) of the processes whose
// command line names something in `folder`, by process id.
QMap<pid_t, QString> processesNaming(const QString &folder)
{
    QMap<pid_t, QString> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray cmdline = read(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (entry.toInt() != getpid() && cmdline.contains(folder.toUtf8()))
            found.insert(entry.toInt(), QFileInfo(QString::fromUtf8(cmdline.split('\0')[0])).fileName());
    }
    return found;
}

} // namespace

class TestHelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void associatedViewerShowsTheHelpFile();
    void knownViewerStandsInWithoutAnAssociation();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QList<QPair<const char *, std::optional<QByteArray>>> m_environment; // as it was before the test
};

void TestHelpViewer::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::copy(QStringLiteral(BILAN_BUILT_HELP_FILE), m_folder->filePath(HelpMenu::helpFileName())));
}

void TestHelpViewer::cleanup()
{
    for (const pid_t pid : processesNaming(m_folder->path()).keys())
        ::kill(pid, SIGTERM);
    m_folder.reset();
    for (const auto &[name, value] : m_environment)
        value ? qputenv(name, *value) : qunsetenv(name);
    m_environment.clear();
}

void TestHelpViewer::associatedViewerShowsTheHelpFile()
{
    qtServices().desktop->shellOpen(HelpMenu::helpFileName(), m_folder->path());
    const QStringList launchers{QStringLiteral("xdg-open"), QStringLiteral("sh")};
    const auto viewers = [this, &launchers] {
        QStringList programs = processesNaming(m_folder->path()).values();
        for (const QString &launcher : launchers)
            programs.removeAll(launcher);
        return programs;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!viewers().isEmpty(), 15000);
}

void TestHelpViewer::knownViewerStandsInWithoutAnAssociation()
{
    // A desktop that knows no program for any type, and a viewer on the
    // PATH that notes what it was asked to show.
    QTemporaryDir empty;
    QTemporaryDir bin;
    const QString noted = m_folder->filePath(QStringLiteral("shown.txt"));
    QFile fake(bin.filePath(QStringLiteral("xchm")));
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + noted.toUtf8() + "'\n");
    fake.close();
    QVERIFY(fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QByteArray path = qgetenv("PATH");
    for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "PATH"}) {
        m_environment.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        qputenv(name, empty.path().toUtf8());
    }
    qputenv("PATH", bin.path().toUtf8() + ':' + path);

    qtServices().desktop->shellOpen(HelpMenu::helpFileName(), m_folder->path());
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(read(noted)), m_folder->filePath(HelpMenu::helpFileName()), 10000);
}

QTEST_MAIN(TestHelpViewer)
#include "tst_helpviewer.moc"
