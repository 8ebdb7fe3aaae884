// The real desktop's shell open of the help file: a desktop that knows a
// program for compiled help files shows it there; where none is known, a
// viewer of that kind on the PATH does. Runs on a real X server (the test
// command starts Xvfb); whatever it starts is ended again.

#include "support/files.h"

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

// The programs (first word of the command line) of the processes whose
// command line names something in `folder`, by process id.
QMap<pid_t, QString> processesNaming(const QString &folder)
{
    QMap<pid_t, QString> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray cmdline = test::readFile(QStringLiteral("/proc/%1/cmdline").arg(entry));
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
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(QFile::copy(QStringLiteral(BILAN_BUILT_HELP_FILE), m_folder->filePath(HelpMenu::helpFileName())));
    }

    void cleanup()
    {
        for (const pid_t pid : processesNaming(m_folder->path()).keys())
            ::kill(pid, SIGTERM);
        m_folder.reset();
        for (const auto &[name, value] : m_environment)
            value ? qputenv(name, *value) : qunsetenv(name);
        m_environment.clear();
    }

    void associatedViewerShowsTheHelpFile()
    {
        qtServices().desktop->shellOpen(HelpMenu::helpFileName(), m_folder->path());
        const auto viewers = [this] { // what the launchers started
            QStringList programs = processesNaming(m_folder->path()).values();
            programs.removeIf([](const QString &program) { return program == "xdg-open" || program == "sh"; });
            return programs;
        };
        QTRY_VERIFY_WITH_TIMEOUT(!viewers().isEmpty(), 15000);
    }

    void knownViewerStandsInWithoutAnAssociation()
    {
        // A desktop that knows no program for any type, and a viewer on the
        // PATH that notes what it was asked to show.
        QTemporaryDir empty, bin;
        const QString noted = m_folder->filePath(QStringLiteral("shown.txt")), fake = bin.filePath("xchm");
        QVERIFY(test::writeFile(fake, "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted.toUtf8() + "'\n"));
        QVERIFY(QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        const QByteArray path = qgetenv("PATH");
        for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "PATH"}) {
            m_environment.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
            qputenv(name, empty.path().toUtf8());
        }
        qputenv("PATH", bin.path().toUtf8() + ':' + path);

        qtServices().desktop->shellOpen(HelpMenu::helpFileName(), m_folder->path());
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(test::readFile(noted)), m_folder->filePath(HelpMenu::helpFileName()), 10000);
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QList<QPair<const char *, std::optional<QByteArray>>> m_environment; // as it was before the test
};

QTEST_MAIN(TestHelpViewer)
#include "tst_helpviewer.moc"
