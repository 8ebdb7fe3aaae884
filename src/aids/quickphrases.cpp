#include "quickphrases.h"

#include "shell/caret.h"
#include "shell/form1.h"
#include "text/fields.h"
#include "text/manuscriptio.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace bilan {

namespace {

// A phrase the file would not carry inside quotes keeps its place with this
// mark in place of each ASCII double quote.
constexpr QChar kQuoteStandIn = u'＂';

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// What the field reader would take from a bare line other than the whole
// phrase: blanks in front are skipped, a quote in front starts a quoted
// field, a comma or a line break ends the field early.
bool needsQuotes(const QString &phrase)
{
    if (phrase.isEmpty())
        return false;
    const QChar first = phrase.front();
    if (isBlank(first) || first == u'"')
        return true;
    for (const QChar c : phrase) {
        if (c == u',' || c == u'\n' || c == u'\r')
            return true;
    }
    return false;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QuickPhrases::QuickPhrases(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("QuickPhrases"));
}

QuickPhrases::Encoded QuickPhrases::encode(const QStringList &phrases)
{
    Encoded encoded;
    QString text;
    for (qsizetype i = 0; i < phrases.size(); ++i) {
        QString phrase = phrases.at(i);
        if (needsQuotes(phrase)) {
            // A quoted field ends at the next double quote, so one inside
            // would cut the phrase and push what follows into the next box.
            if (phrase.contains(u'"')) {
                phrase.replace(u'"', kQuoteStandIn);
                encoded.altered.append(int(i));
            }
            text += u'"' + phrase + u'"';
        } else {
            text += phrase;
        }
        text += u'\n';
    }
    encoded.bytes = plaintext::encode(text);
    return encoded;
}

QStringList QuickPhrases::phrases() const
{
    QStringList texts;
    for (const QPlainTextEdit *box : m_window.ui().Text1)
        texts.append(box->toPlainText());
    return texts;
}

void QuickPhrases::load()
{
    const fields::DataFile file = fields::readDataFile(fileName());
    if (file.status == fields::FileStatus::Missing)
        return;
    if (file.status == fields::FileStatus::Unreadable) {
        // Said aloud: boxes left empty by a silent failure would be saved
        // over the phrases the author cannot see.
        m_window.services().prompts->message(
            &m_window,
            QStringLiteral("无法读取快捷输入词组文件“%1”：%2。")
                .arg(native(QFileInfo(fileName()).absoluteFilePath()), file.reason),
            MessageButtons::Ok, MessageIcon::Warning);
        return;
    }
    fields::Reader reader(file.text);
    for (QPlainTextEdit *box : m_window.ui().Text1) {
        const std::optional<QString> phrase = reader.nextText();
        if (!phrase)
            break;
        box->setPlainText(*phrase);
    }
}

void QuickPhrases::save()
{
    Prompts &prompts = *m_window.services().prompts;
    // A working directory removed under the program has no path; the file
    // name would then resolve against the root folder instead.
    const QString folder = QDir::currentPath();
    if (folder.isEmpty()) {
        prompts.message(&m_window,
                        QStringLiteral("无法保存文件“%1”：当前文件夹已不存在，可能已被删除或移走。").arg(fileName()),
                        MessageButtons::Ok, MessageIcon::Warning);
        return;
    }
    const QString path = QDir(folder).absoluteFilePath(fileName());
    const Encoded encoded = encode(phrases());
    const manuscript::Outcome outcome = manuscript::saveBytes(path, encoded.bytes);
    if (!outcome.ok()) {
        prompts.message(&m_window, outcome.error, MessageButtons::Ok, MessageIcon::Warning);
        return;
    }
    if (encoded.altered.isEmpty()) {
        prompts.message(&m_window, QStringLiteral("已保存！"), MessageButtons::Ok, MessageIcon::None);
        return;
    }
    QStringList boxes;
    for (int index : encoded.altered)
        boxes.append(QStringLiteral("“快捷输入词组%1”").arg(index + 1));
    prompts.message(&m_window,
                    QStringLiteral("已保存到“%1”，但%2里的词组不能按原样保存：它以空格或英文双引号开头，"
                                   "或含有英文逗号或换行，同时又含有英文双引号。其中的英文双引号已改存为“%3”，"
                                   "其他词组都按原样保存了。")
                        .arg(native(path), boxes.join(u'、'), kQuoteStandIn),
                    MessageButtons::Ok, MessageIcon::Warning);
}

void QuickPhrases::onBoxClick(int index)
{
    if (index < 0 || index >= Count)
        return;
    insertAtCaret(m_window.ui().RichTextBox1, m_window.ui().Text1[std::size_t(index)]->toPlainText());
}

} // namespace bilan
