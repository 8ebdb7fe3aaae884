#include "vocabulary.h"

#include "shell/caret.h"
#include "shell/clicks.h"
#include "shell/form1.h"

#include "text/codepage.h"

#include <QLabel>
#include <QTextEdit>

#include <array>

namespace bilan::vocabulary {

namespace {

constexpr std::array<const char16_t *, Count> kCaptions = {
    u"220V交流电经变压器降压，VD1～VD4整流，C1滤波，获得+V直流电压。",
    /*   1 */ u"电源", u"电压", u"电流", u"直流电", u"交流电", u"电灯", u"电阻", u"电容",
    /*   9 */ u"可变电容", u"可调电阻", u"电位器", u"变压器", u"整流", u"滤波", u"降压", u"升压",
    /*  17 */ u"线圈", u"电感", u"高频", u"低频", u"晶体管", u"倍压", u"倍频", u"音频",
    /*  25 */ u"变频", u"二极管", u"单向导电", u"正向压降", u"反偏截止", u"正极", u"负极", u"电池",
    /*  33 */ u"发光二极管", u"三极管", u"场效应晶体管", u"光电二极管", u"单结晶体管", u"发射极", u"集电极", u"基极",
    /*  41 */ u"扬声器", u"喇叭", u"功率放大器", u"集成电路", u"开关", u"轻触开关", u"单刀单掷开关", u"单刀双掷开关",
    /*  49 */ u"拾音器", u"天线 ", u"地", u"继电器", u"讯响器", u"接地", u"元器件", u"电解电容",
    /*  57 */ u"瓷片电容", u"本文介绍一款简单易制的电路", u"一、工作原理", u"二、制作与调试", u"三、元件选择", u"电路见图", u"VD1～VD4为1N4002", u"六非门",
    /*  65 */ u"四二输入与非门集成电路CD4011", u"反相器", u"音频振荡器", u"起振", u"停振", u"形成振荡", u"振荡信号", u"耳机",
    /*  73 */ u"电路图见图一", u"负反馈", u"正反馈", u"频率", u"红外线", u"负载", u"超声波", u"单向可控硅",
    /*  81 */ u"双向可控硅", u"阳极", u"阴极", u"控制极", u"互补管", u"导通角", u"正弦波", u"稳压电源",
    /*  89 */ u"串联", u"并联", u"容抗", u"导通", u"截止", u"作者：林晓东", u"邮编：430074", u"E-mail：bilan25@example.com",
    /*  97 */ u"地址：湖北省武汉市洪山区书城路66号", u"脉冲", u"与非门", u"或非门", u"异或门", u"易于制作的", u"触发脉冲", u"阈值电平",
    /* 105 */ u"定时器", u"数字电路", u"模拟开关", u"稳压管", u"反向击穿", u"恒流", u"运算放大器", u"输入端",
    /* 113 */ u"输出端", u"压电陶瓷片", u"间歇振荡", u"如此循环工作", u"端电压", u"电子琴", u"收音机", u"彩色电视机",
    /* 121 */ u"无线电", u"调频", u"调幅", u"调制", u"充电", u"放电", u"以此类推", u"初学者",
    /* 129 */ u"制作", u"实验制作", u"仿制", u"负压", u"及周围元件", u"四运放", u"调试时", u"多谐振荡器",
    /* 137 */ u"推动扬声器发出音频叫声", u"接通电源后", u"抢答器", u"双稳态", u"无稳态", u"单稳态", u"电灯亮", u"电灯熄灭",
    /* 145 */ u"其常开触点", u"吸合", u"跳开", u"其常闭触点",
};

// The board row by row, left to right, with related terms side by side:
// index, left, top. Rows are 240 apart; the two-line sentence (label 0)
// takes the rows at 5160 and 5400 on the left, beside the section headings.
struct Spot
{
    int index;
    int left;
    int top;
};

constexpr Spot kBoard[] = {
    {12, 0, 120}, {9, 600, 120}, {8, 1440, 120}, {91, 1920, 120},
    {30, 2400, 120}, {31, 2880, 120}, {51, 3360, 120}, {88, 3600, 120},
    {1, 0, 360}, {2, 480, 360}, {3, 960, 360}, {4, 1440, 360},
    {5, 2040, 360}, {6, 2640, 360}, {7, 3120, 360}, {10, 3600, 360},
    {17, 0, 600}, {13, 480, 600}, {14, 840, 600}, {16, 1320, 600}, {15, 1800, 600},
    {22, 2280, 600}, {24, 2760, 600}, {11, 3240, 600}, {32, 3960, 600},
    {18, 0, 840}, {87, 480, 840}, {19, 1080, 840}, {20, 1560, 840}, {23, 2040, 840},
    {25, 2520, 840}, {89, 3000, 840}, {90, 3480, 840}, {92, 3960, 840},
    {28, 0, 1080}, {29, 840, 1080}, {26, 1680, 1080}, {27, 2280, 1080}, {33, 3120, 1080}, {93, 4080, 1080},
    {34, 0, 1320}, {21, 600, 1320}, {35, 1200, 1320}, {36, 2400, 1320}, {37, 3480, 1320},
    {38, 0, 1560}, {39, 600, 1560}, {40, 1200, 1560}, {41, 1680, 1560},
    {42, 2280, 1560}, {43, 2760, 1560}, {44, 3720, 1560},
    {45, 0, 1800}, {46, 480, 1800}, {47, 1320, 1800}, {48, 2520, 1800}, {49, 3720, 1800},
    {50, 0, 2040}, {52, 600, 2040}, {53, 1200, 2040}, {54, 1800, 2040},
    {55, 2280, 2040}, {56, 2880, 2040}, {57, 3720, 2040},
    {67, 0, 2280}, {68, 960, 2280}, {69, 1320, 2280}, {116, 1800, 2280}, {70, 3000, 2280}, {75, 3840, 2280},
    {71, 0, 2520}, {115, 840, 2520}, {117, 1680, 2520}, {78, 2280, 2520}, {72, 2760, 2520}, {136, 3240, 2520},
    {137, 0, 2760}, {138, 2160, 2760}, {139, 3120, 2760}, {140, 3720, 2760},
    {141, 0, 3000}, {142, 600, 3000}, {143, 1200, 3000}, {144, 1800, 3000},
    {145, 2640, 3000}, {146, 3600, 3000}, {147, 4080, 3000},
    {74, 0, 3240}, {85, 720, 3240}, {108, 1320, 3240},
    {109, 1920, 3240}, {148, 2760, 3240}, {134, 3840, 3240},
    {80, 0, 3480}, {81, 1080, 3480}, {82, 2160, 3480}, {83, 2640, 3480}, {84, 3120, 3480}, {86, 3840, 3480},
    {112, 0, 3720}, {113, 600, 3720}, {64, 1200, 3720}, {65, 1800, 3720},
    {106, 0, 3960}, {104, 840, 3960}, {66, 1680, 3960}, {107, 2280, 3960}, {111, 3120, 3960},
    {103, 0, 4200}, {105, 840, 4200}, {100, 1560, 4200}, {101, 2280, 4200},
    {110, 2880, 4200}, {98, 3360, 4200}, {99, 3840, 4200},
    {114, 0, 4440}, {79, 960, 4440}, {76, 1560, 4440}, {77, 2040, 4440},
    {118, 2640, 4440}, {119, 3240, 4440}, {121, 3840, 4440},
    {120, 0, 4680}, {122, 960, 4680}, {123, 1440, 4680}, {124, 1920, 4680},
    {125, 2400, 4680}, {126, 2880, 4680}, {127, 3360, 4680},
    {128, 0, 4920}, {129, 600, 4920}, {130, 1080, 4920}, {131, 1920, 4920},
    {132, 2400, 4920}, {133, 2880, 4920}, {135, 3840, 4920},
    {0, 0, 5160}, {59, 3240, 5160},
    {60, 3120, 5400},
    {58, 0, 5640}, {61, 3240, 5640},
    {62, 0, 5880}, {102, 840, 5880}, {63, 1800, 5880}, {73, 3360, 5880},
    {94, 0, 6120}, {95, 1200, 6120},
    {96, 0, 6360},
    {97, 0, 6600},
};
static_assert(std::size(kBoard) == Count, "every label has its place on the board");

struct Exception
{
    int index;
    int width;
};

// Labels drawn a little wider than their captions need; the board's
// layout was fitted around these widths, so they stay.
constexpr Exception kWider[] = {
    {58, 2385}, {59, 1140}, {61, 1140}, {62, 825}, {63, 1500}, {65, 2580},
    {68, 435},  {70, 780},  {71, 780},  {72, 465}, {73, 1140},
};

constexpr int kSentenceWidth = 3015;
constexpr int kSentenceHeight = 375;

struct Placement
{
    int left = 0;
    int top = 0;
};

const std::array<Placement, Count> &placements()
{
    static const std::array<Placement, Count> table = [] {
        std::array<Placement, Count> result{};
        for (const Spot &spot : kBoard)
            result[std::size_t(spot.index)] = Placement{spot.left, spot.top};
        return result;
    }();
    return table;
}

} // namespace

QString caption(int index)
{
    if (index < 0 || index >= Count)
        return {};
    return QString::fromUtf16(kCaptions[std::size_t(index)]);
}

int ruleWidth(const QString &text)
{
    return WidthPerByte * int(codepage::encode(codepage::Gbk, text).size());
}

QRect geometry(int index)
{
    if (index < 0 || index >= Count)
        return {};
    const Placement &place = placements()[std::size_t(index)];
    if (index == SentenceLabel)
        return QRect(place.left, place.top, kSentenceWidth, kSentenceHeight);
    int width = ruleWidth(caption(index));
    for (const Exception &wider : kWider) {
        if (wider.index == index)
            width = wider.width;
    }
    return QRect(place.left, place.top, width, LineHeight);
}

bool wraps(int index)
{
    return index == SentenceLabel;
}

QString makerMailAddress()
{
    return QStringLiteral("bilan25@example.com");
}

} // namespace bilan::vocabulary

namespace bilan {

VocabularyBoard::VocabularyBoard(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("VocabularyBoard"));
    for (QLabel *label : window.ui().Label2) {
        const int index = label->property("index").toInt();
        onClick(label, [this, index] { onLabel(index); });
    }
}

void VocabularyBoard::onLabel(int index)
{
    const QString term = vocabulary::caption(index);
    if (term.isEmpty())
        return;
    QTextEdit *manuscript = m_window.ui().RichTextBox1;
    Clipboard &clipboard = *m_window.services().clipboard;
    // The term replaces every format of an earlier copy. With the clipboard held by another program or not answering, the
    // author still gets the term, only not on the clipboard.
    if (!insertViaClipboard(manuscript, term, clipboard))
        insertAtCaret(manuscript, term);
}

} // namespace bilan
