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
    void itemsReachTheShell_data();
    void itemsReachTheShell();
    void aboutMessageAndUnusedIndexes();
    void mailGoesToTheAddressOnTheBoard();
};

void TestHelp::itemsReachTheShell_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("file");
    QTest::newRow("帮助") << int(HelpMenu::Help) << QStringLiteral("笔澜2.5.chm");
    QTest::newRow("给我写信") << int(HelpMenu::Mail) << QStringLiteral("mailto:") + vocabulary::makerMailAddress();
}

void TestHelp::itemsReachTheShell()
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

void TestHelp::aboutMessageAndUnusedIndexes()
{
    Harness h;
    auto *help = h.window().findChild<HelpMenu *>();
    for (const int index : {1, 4, -1})
        help->onHelpItem(index);
    QVERIFY(h.prompts.messages.isEmpty());

    h.window().ui().mnuhelpitem[HelpMenu::About]->trigger();
    QCOMPARE(h.prompts.messages.size(), 1);
    const ShownMessage &about = h.prompts.messages[0];
    const QStringList parts = about.text.split(QStringLiteral("  "));
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts[0], QStringLiteral("笔澜2.5"));
    QVERIFY(!parts[1].isEmpty() && parts[1] == parts[1].trimmed() && !parts[1].contains(u'\n'));
    QCOMPARE(parts[2], QStringLiteral("2003.9"));
    QCOMPARE(about.title, QStringLiteral("笔澜2.5"));
    QCOMPARE(about.buttons, MessageButtons::Ok);
    QCOMPARE(about.icon, MessageIcon::None);
    QVERIFY(h.desktop.shellCalls.isEmpty());
}

void TestHelp::mailGoesToTheAddressOnTheBoard()
{
    // The board's maker line and the mail link name the same address.
    QString line;
    for (int i = 0; i < vocabulary::Count; ++i) {
        if (vocabulary::caption(i).startsWith(QStringLiteral("E-mail：")))
            line = vocabulary::caption(i);
    }
    QCOMPARE(line, QStringLiteral("E-mail：") + vocabulary::makerMailAddress());
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
