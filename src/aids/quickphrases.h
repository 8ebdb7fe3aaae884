#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace bilan {

class Form1;

// The 26 quick-input phrase boxes (Text1) and their file "date.txt": a
// click in a box inserts its phrase into the manuscript, the quick-phrase
// mode loads the boxes from the file and "保存定制" writes them back.
class QuickPhrases final : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 26;
    // A bare name: the phrase file follows the working directory, which
    // every confirmed file dialog moves.
    static QString fileName() { return QStringLiteral("date.txt"); }

    explicit QuickPhrases(Form1 &window);

    // Fills the boxes, in index order, from the fields of the phrase file.
    // A missing file is no error; boxes beyond the file's last field keep
    // their texts.
    void load();
    // Writes the 26 box texts to the phrase file and says so.
    void save();
    // Inserts the box's current text at the manuscript's caret.
    void onBoxClick(int index);

    struct Encoded
    {
        QByteArray bytes;
        // Boxes whose phrase the file could not carry as typed.
        QList<int> altered;
    };
    // The phrase file for these phrases: one line each, CR LF, in the
    // system code page. A phrase that a bare line would not read back
    // whole is written between double quotes.
    static Encoded encode(const QStringList &phrases);

private:
    QStringList phrases() const;

    Form1 &m_window;
};

} // namespace bilan
