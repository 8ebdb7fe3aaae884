// The real desktop's shell open of the help file: on a desktop that knows
// a program for compiled help files, that program shows it; where none is
// known, a viewer of that kind on the PATH does. Runs on a real X server
// (the test command starts Xvfb); the viewer it starts is ended again.

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

// The processes whose command line names something under `folder`.
QList<pid_t> processesNaming(const QString &folder)
{
    QList<pid_t> found;
    const QByteArray needle = folder.toUtf8();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid || pid == getpid())
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(needle))
            found << pid;
    }
    return found;
}

QString programOf(pid_t pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return {};
    return QFileInfo(QString::fromUtf8(cmdline.readAll().split('\0').value(0))).fileName();
}

// Sets environment variables for as long as it lives.
class Environment final
{
public:
    void set(const char *name, const QByteArray &value)
    {
        if (!m_saved.contains(name))
            m_saved.insert(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        qputenv(name, value);
    }
    ~Environment()
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            if (it.value())
                qputenv(it.key().constData(), *it.value());
            else
                qunsetenv(it.key().constData());
        }
    }

private:
    QMap<QByteArray, std::optional<QByteArray>> m_saved;
};

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
};

void TestHelpViewer::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::copy(QStringLiteral(BILAN_BUILT_HELP_FILE), m_folder->filePath(HelpMenu::helpFileName())));
}

void TestHelpViewer::cleanup()
{
    for (const pid_t pid : processesNaming(m_folder->path()))
        ::kill(pid, SIGTERM);
    m_folder.reset();
}

void TestHelpViewer::associatedViewerShowsTheHelpFile()
{
    qtServices().desktop->shellOpen(HelpMenu::helpFileName(), m_folder->path());
    const QStringList launchers{QStringLiteral("xdg-open"), QStringLiteral("sh"), QStringLiteral("bash")};
    QString viewer;
    for (int i = 0; i < 150 && viewer.isEmpty(); ++i) {
        QTest::qWait(100);
        for (const pid_t pid : processesNaming(m_folder->path())) {
            if (!launchers.contains(programOf(pid)))
                viewer = programOf(pid);
        }
    }
    QVERIFY2(!viewer.isEmpty(), "no program came up with the help file");
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

    Environment environment;
    for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
        environment.set(name, empty.path().toUtf8());
    environment.set("PATH", bin.path().toUtf8() + ':' + qgetenv("PATH"));

    qtServices().desktop->shellOpen(HelpMenu::helpFileName(), m_folder->path());
    const auto shown = [&noted] {
        QFile file(noted);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(shown(), m_folder->filePath(HelpMenu::helpFileName()), 10000);
}

QTEST_MAIN(TestHelpViewer)
#include "tst_helpviewer.moc"
