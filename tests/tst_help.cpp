// The Help menu: what reaches the desktop's shell and the about message.

#include "support/scriptedservices.h"

#include "aids/vocabulary.h"
#include "help/helpmenu.h"
#include "shell/form1.h"

#include <QAction>
#include <QTest>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void itemsReachTheShell_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("file");
        QTest::newRow("帮助") << int(HelpMenu::Help) << QStringLiteral("笔澜2.5.chm");
        // The address is also the one on the vocabulary board (tst_form1).
        QTest::newRow("给我写信") << int(HelpMenu::Mail) << QStringLiteral("mailto:") + vocabulary::makerMailAddress();
    }

    void itemsReachTheShell()
    {
        QFETCH(int, index);
        QFETCH(QString, file);
        Harness h;
        h.window().ui().RichTextBox1->setPlainText(QStringLiteral("稿子"));
        h.window().ui().mnuhelpitem[std::size_t(index)]->trigger();

        QCOMPARE(h.desktop.shellCalls.size(), 1);
        QCOMPARE(h.desktop.shellCalls[0].file, file);
        QCOMPARE(h.desktop.shellCalls[0].workingDirectory, h.places.applicationFolder());
        // Whatever the shell makes of it, the program says nothing of its own.
        QVERIFY(h.prompts.messages.isEmpty());
        QCOMPARE(h.window().ui().RichTextBox1->toPlainText(), QStringLiteral("稿子"));
    }

    void aboutMessageAndUnusedIndexes()
    {
        Harness h;
        auto *help = h.window().findChild<HelpMenu *>();
        for (const int index : {1, 4, -1})
            help->onHelpItem(index);
        QVERIFY(h.prompts.messages.isEmpty());

        // The name, the maker (one line, whatever it says) and the date.
        h.window().ui().mnuhelpitem[HelpMenu::About]->trigger();
        const QStringList about = h.prompts.takeMessages();
        const QStringList parts = about.value(0).split(QStringLiteral("  "));
        QVERIFY2(about.size() == 1 && parts.size() == 3 && !parts[1].isEmpty() && !parts[1].contains(u'\n')
                     && parts[1] == parts[1].trimmed(),
                 qPrintable(about.join('|')));
        QCOMPARE(parts[0] + '|' + parts[2], QStringLiteral("笔澜2.5|2003.9"));
        QVERIFY(h.desktop.shellCalls.isEmpty());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
