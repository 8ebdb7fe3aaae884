// The real seams where the toolkit's own behaviour would lose work: the
// message box's Esc and close box, and the font dialog's stand-in family.

#include "platform/services.h"
#include "shell/application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace bilan;

Q_DECLARE_METATYPE(FontChoice)

namespace {

// Runs `act` on the modal dialog of type Dialog as soon as it is up.
template<typename Dialog>
void whenShown(std::function<void(Dialog *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(10);
}

} // namespace

class TestQtServices : public QObject
{
    Q_OBJECT

private slots:
    // The Chinese font names and their stand-ins, as the program has them.
    void initTestCase() { QVERIFY(prepareApplication(*qApp)); }

    void escapeAndCloseAnswerOnlyWhereCancelIsOffered_data()
    {
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<QString>("seen"); // the title, what Esc and then the close box did, the answer
        QTest::newRow("Yes/No: no third answer") << MessageButtons::YesNo << "请确认 stays stays Yes";
        QTest::newRow("Yes/No/Cancel: Esc is Cancel") << MessageButtons::YesNoCancel << "请确认 closes Cancel";
        QTest::newRow("Yes/No, later: Esc is Cancel") << MessageButtons::YesNoLater << "请确认 closes Cancel";
    }

    void escapeAndCloseAnswerOnlyWhereCancelIsOffered()
    {
        QFETCH(MessageButtons, buttons);
        QString seen;
        whenShown<QMessageBox>([&seen](QMessageBox *box) {
            seen = box->windowTitle();
            for (int step = 0; step < 2 && box->isVisible(); ++step) {
                // Esc, then what the window's close box asks for.
                step == 0 ? QTest::keyClick(box, Qt::Key_Escape) : void(box->close());
                seen += box->isVisible() ? " stays" : " closes";
            }
            if (box->isVisible())
                box->button(QMessageBox::Yes)->click();
        });
        const MessageAnswer answer = qtServices().prompts->message(
            nullptr, QStringLiteral("等...等，保存您正在写的稿子吗？可别后悔哟~0~"), buttons, MessageIcon::None,
            QStringLiteral("请确认"));
        const char *answers[] = {"Ok", "Yes", "No", "Cancel"};
        QTEST(seen + ' ' + answers[int(answer)], "seen");
    }

    void closeBoxPutsOffAQuestionForLater()
    {
        whenShown<QMessageBox>([](QMessageBox *box) { box->close(); });
        QCOMPARE(qtServices().prompts->message(nullptr, QStringLiteral("要恢复吗？"), MessageButtons::YesNoLater),
                 MessageAnswer::Cancel);
    }

    void fontDialogOpensOnWhatItLastReturned_data()
    {
        QTest::addColumn<FontChoice>("initial");
        QTest::addColumn<QString>("typed"); // into the family box, before OK
        QTest::addColumn<QString>("shown"); // family, style and size boxes as the dialog opens
        QTest::addColumn<FontChoice>("returned");
        // A face installed with no bold of its own, where there is one.
        QString single = QFontDatabase::families().value(0);
        for (const QString &family : QFontDatabase::families()) {
            if (!QFontDatabase::isPrivateFamily(family) && !QFontDatabase::styles(family).contains(u"Bold"_qs)) {
                single = family;
                break;
            }
        }
        const FontChoice songti{u"宋体"_qs, 9, false, false, false, false};
        const FontChoice heiti{u"黑体"_qs, 16, true, false, false, false};
        const FontChoice face{single, 10.5, true, true, false, false};
        QTest::newRow("first use: 宋体 9") << songti << QString() << u"宋体|常规|9"_qs << songti;
        QTest::newRow("黑体 16 bold") << heiti << QString() << u"黑体|粗体|16"_qs << heiti;
        QTest::newRow("installed face, bold italic") << face << QString() << single + u"|粗斜体|10.5"_qs << face;
        QTest::newRow("黑体 typed") << songti << u"黑体"_qs << u"宋体|常规|9"_qs
                                  << FontChoice{u"黑体"_qs, 9, false, false, false, false};
        QTest::newRow("installed face typed") << heiti << single.toLower() << u"黑体|粗体|16"_qs
                                          << FontChoice{single, 16, true, false, false, false};
    }

    // Opened on the font it returned last, OK without a change returns it
    // unchanged, whether the family is installed, stands in for another or
    // lacks a bold face; a family typed into the box is taken. Underline
    // and strikethrough are never offered, nor the writing system.
    void fontDialogOpensOnWhatItLastReturned()
    {
        QFETCH(FontChoice, initial);
        QFETCH(QString, typed);
        QString shown;
        QStringList offered;
        whenShown<QFontDialog>([&](QFontDialog *dialog) {
            const auto boxes = dialog->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly);
            QStringList texts;
            for (QLineEdit *box : boxes)
                texts << box->text();
            shown = texts.join(u'|');
            for (QWidget *control : dialog->findChildren<QWidget *>()) {
                if (control->isVisibleTo(dialog) && (qobject_cast<QCheckBox *>(control) || qobject_cast<QComboBox *>(control)))
                    offered << control->metaObject()->className();
            }
            if (!typed.isEmpty()) {
                QLineEdit *family = boxes.value(0);
                family->selectAll();
                if (typed.front().unicode() < 0x80) {
                    QTest::keyClicks(family, typed);
                } else { // Chinese comes from the input method, committed whole
                    QInputMethodEvent commit;
                    commit.setCommitString(typed);
                    QApplication::sendEvent(family, &commit);
                }
            }
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        const std::optional<FontChoice> choice = qtServices().dialogs->chooseFont(nullptr, initial, DialogFlag::FontBoth);
        QTEST(shown, "shown");
        QCOMPARE(offered, QStringList());
        QVERIFY(choice);
        QTEST(*choice, "returned");
    }

    // Picking in the lists, then cancelling the next dialog.
    void fontDialogListsAndCancel()
    {
        const FontChoice songti{u"宋体"_qs, 9, false, false, false, false};
        whenShown<QFontDialog>([](QFontDialog *dialog) {
            const auto lists = dialog->findChildren<QListView *>(Qt::FindDirectChildrenOnly);
            for (QListView *list : lists) {
                const QModelIndex found = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole,
                                                               list == lists[0] ? u"黑体"_qs : list == lists[1] ? u"斜体"_qs : u"16"_qs,
                                                               1, Qt::MatchExactly).value(0);
                list->setCurrentIndex(found);
            }
            dialog->accept();
        });
        std::optional<FontChoice> choice = qtServices().dialogs->chooseFont(nullptr, songti, DialogFlag::FontBoth);
        QVERIFY(choice);
        QCOMPARE(*choice, (FontChoice{u"黑体"_qs, 16, false, true, false, false}));

        whenShown<QFontDialog>([](QFontDialog *dialog) { dialog->reject(); });
        QVERIFY(!qtServices().dialogs->chooseFont(nullptr, *choice, DialogFlag::FontBoth));
    }
};

QTEST_MAIN(TestQtServices)
#include "tst_qtservices.moc"
