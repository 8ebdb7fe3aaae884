#include "fontdialog.h"

#include "text/chinesefonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QStringListModel>

namespace bilan {

namespace {

// The style list: bit 0 of the row is bold, bit 1 italic. The editor draws
// bold and italic for any face, so every family offers all four, also one
// installed with a single face; Qt's own list would offer only the faces
// installed, and open a bold choice on "Regular".
const QStringList &styleNames()
{
    static const QStringList names{QStringLiteral("常规"), QStringLiteral("粗体"), QStringLiteral("斜体"),
                                   QStringLiteral("粗斜体")};
    return names;
}

QString sizeText(double points)
{
    return QLocale::c().toString(points, 'g', 4);
}

// The Chinese names the editor draws through stand-in faces come first, as
// a Chinese system lists them; then every installed face. Qt's dialog
// lists installed faces only, so 宋体 would open on whatever stood in.
QStringList familyNames()
{
    QStringList names;
    for (const chinesefonts::Font &font : chinesefonts::all()) {
        const QString name = QString::fromUtf16(font.name);
        if (QFontDatabase::hasFamily(name) || !QFont::substitutes(name).isEmpty())
            names << name;
    }
    const QStringList installed = QFontDatabase::families();
    for (const QString &family : installed) {
        if (!QFontDatabase::isPrivateFamily(family) && !names.contains(family, Qt::CaseInsensitive))
            names << family;
    }
    return names;
}

// The row whose text is the given one in any case, or else the first that
// begins with it; -1 for none.
int findRow(const QStringList &rows, const QString &text)
{
    if (text.isEmpty())
        return -1;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows.at(i).compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows.at(i).startsWith(text, Qt::CaseInsensitive))
            return int(i);
    }
    return -1;
}

// Qt's dialog keeps its layout, buttons and translated captions; its three
// lists and the boxes above them are filled and read here instead of by the
// dialog's private code, which knows only the installed faces.
class FontControls final : public QObject
{
public:
    explicit FontControls(QFontDialog &dialog)
        : QObject(&dialog)
    {
        const auto lists = dialog.findChildren<QListView *>(Qt::FindDirectChildrenOnly);
        const auto edits = dialog.findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly);
        if (lists.size() != 3 || edits.size() != 3)
            return;
        m_families = lists[0];
        m_styles = lists[1];
        m_sizes = lists[2];
        m_familyEdit = edits[0];
        m_styleEdit = edits[1];
        m_sizeEdit = edits[2];
        m_sample = dialog.findChild<QLineEdit *>(QStringLiteral("qt_fontDialog_sampleEdit"));
        m_familyModel = qobject_cast<QStringListModel *>(m_families->model());
        m_styleModel = qobject_cast<QStringListModel *>(m_styles->model());
        m_sizeModel = qobject_cast<QStringListModel *>(m_sizes->model());
        m_found = m_sample && m_familyModel && m_styleModel && m_sizeModel
            && m_familyEdit->focusProxy() == m_families && m_styleEdit->focusProxy() == m_styles;
        if (!m_found)
            return;

        for (QObject *source : {static_cast<QObject *>(m_families), static_cast<QObject *>(m_styles),
                                static_cast<QObject *>(m_sizes), static_cast<QObject *>(m_sizeEdit)})
            QObject::disconnect(source, nullptr, &dialog, nullptr);
        // Underline and strikethrough are not applied by the font command,
        // and the writing system would refill the family list with Qt's.
        for (QCheckBox *effect : dialog.findChildren<QCheckBox *>())
            effect->parentWidget()->hide();
        if (auto *writingSystem = dialog.findChild<QComboBox *>()) {
            QObject::disconnect(writingSystem, nullptr, &dialog, nullptr);
            writingSystem->hide();
            for (QLabel *label : dialog.findChildren<QLabel *>()) {
                if (label->buddy() == writingSystem)
                    label->hide();
            }
        }

        // A name typed into the family box picks its family, as in the
        // system's own font dialogs; an input method works there too.
        m_familyEdit->setFocusProxy(nullptr);
        m_familyEdit->setReadOnly(false);
        auto *sizes = new QDoubleValidator(1, 512, 1, m_sizeEdit);
        sizes->setLocale(QLocale::c());
        sizes->setNotation(QDoubleValidator::StandardNotation);
        m_sizeEdit->setValidator(sizes);
        m_sample->setText(QStringLiteral("AaBb 中文字体"));
        // Without the effects beside it the sample's rows would close up.
        m_sample->setMinimumHeight(m_sample->fontMetrics().height() * 4);

        connect(m_familyEdit, &QLineEdit::textEdited, this, &FontControls::familyTyped);
        connect(m_sizeEdit, &QLineEdit::textEdited, this, &FontControls::sizeTyped);
    }

    bool found() const { return m_found; }

    void open(const FontChoice &initial)
    {
        QStringList families = familyNames();
        int family = findRow(families, initial.name);
        if (family < 0 || families.at(family).compare(initial.name, Qt::CaseInsensitive) != 0) {
            families.prepend(initial.name);
            family = 0;
        }
        m_familyModel->setStringList(families);
        m_styleModel->setStringList(styleNames());
        QStringList sizes;
        const QList<int> standard = QFontDatabase::standardSizes();
        for (int size : standard)
            sizes << QString::number(size);
        m_sizeModel->setStringList(sizes);

        connect(m_families->selectionModel(), &QItemSelectionModel::currentChanged, this, &FontControls::familyChosen);
        connect(m_styles->selectionModel(), &QItemSelectionModel::currentChanged, this, &FontControls::styleChosen);
        connect(m_sizes->selectionModel(), &QItemSelectionModel::currentChanged, this, &FontControls::sizeChosen);

        m_families->setCurrentIndex(m_familyModel->index(family));
        m_familyEdit->setText(initial.name);
        m_styles->setCurrentIndex(m_styleModel->index((initial.bold ? 1 : 0) | (initial.italic ? 2 : 0)));
        m_sizeEdit->setText(sizeText(initial.size > 0 ? initial.size : 9));
        sizeTyped(m_sizeEdit->text());
        m_familyEdit->setFocus();
        m_familyEdit->selectAll();
    }

    FontChoice choice(const FontChoice &initial) const
    {
        FontChoice chosen = initial;
        if (const QModelIndex family = m_families->currentIndex(); family.isValid())
            chosen.name = family.data().toString();
        const int style = std::max(0, m_styles->currentIndex().row());
        chosen.bold = style & 1;
        chosen.italic = style & 2;
        bool ok = false;
        const double size = QLocale::c().toDouble(m_sizeEdit->text(), &ok);
        if (ok && size > 0)
            chosen.size = size;
        chosen.strikethrough = false;
        chosen.underline = false;
        return chosen;
    }

private:
    void familyChosen(const QModelIndex &current)
    {
        if (!m_typing && current.isValid())
            m_familyEdit->setText(current.data().toString());
        updateSample();
    }

    void familyTyped(const QString &text)
    {
        const int row = findRow(m_familyModel->stringList(), text.trimmed());
        if (row < 0)
            return;
        // The box keeps what the author is typing; the list follows it.
        m_typing = true;
        m_families->setCurrentIndex(m_familyModel->index(row));
        m_families->scrollTo(m_families->currentIndex());
        m_typing = false;
    }

    void styleChosen(const QModelIndex &current)
    {
        m_styleEdit->setText(current.data().toString());
        updateSample();
    }

    void sizeChosen(const QModelIndex &current)
    {
        if (m_typing || !current.isValid())
            return;
        m_sizeEdit->setText(current.data().toString());
        updateSample();
    }

    void sizeTyped(const QString &text)
    {
        m_typing = true;
        const int row = int(m_sizeModel->stringList().indexOf(text));
        if (row >= 0)
            m_sizes->setCurrentIndex(m_sizeModel->index(row));
        else
            m_sizes->clearSelection();
        m_typing = false;
        updateSample();
    }

    void updateSample()
    {
        const FontChoice shown = choice(FontChoice{});
        QFont font(shown.name);
        font.setPointSizeF(shown.size);
        font.setBold(shown.bold);
        font.setItalic(shown.italic);
        m_sample->setFont(font);
    }

    bool m_found = false;
    bool m_typing = false;
    QListView *m_families = nullptr;
    QListView *m_styles = nullptr;
    QListView *m_sizes = nullptr;
    QLineEdit *m_familyEdit = nullptr;
    QLineEdit *m_styleEdit = nullptr;
    QLineEdit *m_sizeEdit = nullptr;
    QLineEdit *m_sample = nullptr;
    QStringListModel *m_familyModel = nullptr;
    QStringListModel *m_styleModel = nullptr;
    QStringListModel *m_sizeModel = nullptr;
};

QFont toFont(const FontChoice &choice)
{
    QFont font(choice.name);
    font.setPointSizeF(choice.size > 0 ? choice.size : 9);
    font.setBold(choice.bold);
    font.setItalic(choice.italic);
    return font;
}

} // namespace

std::optional<FontChoice> chooseFontWithQt(QWidget *parent, const FontChoice &initial)
{
    QFontDialog dialog(parent);
    // Qt's own dialog, whose controls are ours to fill, on every desktop.
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    auto *controls = new FontControls(dialog);
    if (controls->found())
        controls->open(initial);
    else
        dialog.setCurrentFont(toFont(initial)); // a Qt laid out otherwise: its own dialog as it is
    const QString shownFamily = dialog.currentFont().family();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (controls->found())
        return controls->choice(initial);
    const QFont chosen = dialog.selectedFont();
    FontChoice choice;
    choice.name = chosen.family() == shownFamily ? initial.name : chosen.family();
    choice.size = chosen.pointSizeF();
    choice.bold = chosen.bold();
    choice.italic = chosen.italic();
    return choice;
}

} // namespace bilan
