#include "shell/form1.h"

#include "deletion/period.h"
#include "platform/currentdate.h"
#include "platform/filemanager.h"
#include "platform/messagebox.h"
#include "settings/productsettings.h"
#include "shell/fonts.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStringListModel>

namespace {

#include "shell/form1.xpm"

constexpr QColor kBlue(0, 0, 255);
constexpr QColor kRed(255, 0, 0);

// The window is laid out in twips at 15 twips to the pixel.
constexpr int px(int twips)
{
    return twips / 15;
}

// A label's Left and Top stay; its size follows its text.
void setCaption(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

QLabel *makeLabel(QWidget *container, const char *name, const QString &text, int left, int top,
                  QColor colour = {})
{
    auto *label = new QLabel(container);
    label->setObjectName(QLatin1StringView(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    if (colour.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
    label->move(px(left), px(top));
    setCaption(label, text);
    return label;
}

// A frame as the window draws it: an etched border with the caption set into
// its top edge, the contents placed from the frame's own top-left corner.
class EtchedFrame final : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const QRect border = rect().adjusted(0, metrics.height() / 2, -2, -2);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(border);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(border.translated(1, 1));

        if (title().isEmpty())
            return;
        const QRect caption(px(120) - 2, 0, metrics.horizontalAdvance(title()) + 4,
                            metrics.height());
        painter.fillRect(caption, palette().window());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, title());
    }
};

QGroupBox *makeFrame(QWidget *container, const char *name, const QString &title, int left, int top,
                     int width, int height)
{
    auto *frame = new EtchedFrame(title, container);
    frame->setObjectName(QLatin1StringView(name));
    frame->setGeometry(px(left), px(top), px(width), px(height));
    return frame;
}

QComboBox *makeList(QWidget *container, const char *name, int left, int top)
{
    auto *list = new QComboBox(container);
    list->setObjectName(QLatin1StringView(name));
    list->setEditable(false);
    list->setGeometry(px(left), px(top), px(3255), px(300));
    return list;
}

QPushButton *makeButton(QWidget *container, const char *name, const QString &caption,
                        const QString &toolTip, int left)
{
    auto *button = new QPushButton(caption, container);
    button->setObjectName(QLatin1StringView(name));
    button->setToolTip(toolTip);
    // Enter presses the focused button; outside a dialog Qt only does that
    // for auto-default buttons. No button is the window's default.
    button->setAutoDefault(true);
    button->setDefault(false);
    button->setGeometry(px(left), px(2280), px(1575), px(615));
    return button;
}

} // namespace

Form1::Form1(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(" KORVEL(ORVETA) 勤務ﾃﾞｰﾀの削除"));
    // Read from the compiled-in XPM, which needs no image-format plugin.
    setWindowIcon(QPixmap(form1_xpm));
    setFont(shell::gothicFont(9));

    buildControls();
    buildMenu();
    // The client area has a fixed size and the window follows it, menu bar
    // included: the user cannot resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    load();
}

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(6225), px(5010));
    setCentralWidget(client);

    const QFont bold = shell::gothicFont(9.75, true);

    // Frame3 is drawn as a single etched line under the menu bar, its ends
    // reaching past both sides of the window.
    Frame3 = new QFrame(client);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setFrameShape(QFrame::HLine);
    Frame3->setFrameShadow(QFrame::Sunken);
    Frame3->setGeometry(px(-120), 0, px(55350), px(30));

    Label2_0 = makeLabel(client, "Label2_0", QStringLiteral("「ORVETA」勤務データの削除"), 240, 240,
                         kBlue);
    Label2_0->setFont(bold);
    setCaption(Label2_0, Label2_0->text());
    Label5 = makeLabel(client, "Label5", QStringLiteral("削除データ数 ： 0"), 3720, 240, kRed);
    Label5->setFont(bold);
    setCaption(Label5, Label5->text());

    Frame1 = makeFrame(client, "Frame1", QStringLiteral("削除する月の範囲"), 480, 720, 5175, 1335);
    Label4_0 = makeLabel(Frame1, "Label4_0", QStringLiteral("開 始"), 480, 360);
    Combo1 = makeList(Frame1, "Combo1", 1200, 360);
    Label4_1 = makeLabel(Frame1, "Label4_1", QStringLiteral("終 了"), 480, 840);
    Combo2 = makeList(Frame1, "Combo2", 1200, 840);
    // Screen readers announce each list by the label in front of it.
    Label4_0->setBuddy(Combo1);
    Label4_1->setBuddy(Combo2);

    Command1 = makeButton(client, "Command1", QStringLiteral("OK"),
                          QStringLiteral("勤務ﾃﾞｰﾀの削除"), 960);
    Command2 = makeButton(client, "Command2", QStringLiteral("キャンセル"),
                          QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの終了"), 3600);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);

    Frame2 = makeFrame(client, "Frame2", QStringLiteral("ﾌｫﾙﾀﾞ名"), 240, 3120, 5775, 855);
    Label1 = makeLabel(Frame2, "Label1", QStringLiteral("Label1"), 120, 360, kBlue);

    Label2_1
        = makeLabel(client, "Label2_1",
                    QStringLiteral("ご注意 勤務データを削除する前にバックアップをおすすめします。"),
                    360, 4200, kRed);
    Label4_2 = makeLabel(client, "Label4_2", QStringLiteral("㈱ソルカナ"), 4080, 4560);

    setTabOrder(Command2, Combo1);
    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Command1);
    Command2->setFocus();
}

void Form1::buildMenu()
{
    f000 = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    f000->setObjectName(QStringLiteral("f000"));
    f000->menuAction()->setObjectName(QStringLiteral("f000"));

    auto addItem = [this](const char *name, const QString &caption, void (Form1::*handler)()) {
        QAction *item = f000->addAction(caption);
        item->setObjectName(QLatin1StringView(name));
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    P_EXPL = addItem("P_EXPL", QStringLiteral("ｴｸｽﾌﾟﾛｰﾗ起動(&E)"), &Form1::P_EXPL_Click);
    f001 = f000->addSeparator();
    f001->setObjectName(QStringLiteral("f001"));
    Reg_DEL = addItem("Reg_DEL", QStringLiteral("ﾚｼﾞｽﾄﾘ削除(&D)"), &Form1::Reg_DEL_Click);
    f002 = f000->addSeparator();
    f002->setObjectName(QStringLiteral("f002"));
    P_END = addItem("P_END", QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの終了(&C)"), &Form1::P_END_Click);
}

// Runs once, before the window is first shown. The single-instance rule has
// already been applied by the time the window is made.
void Form1::load()
{
    deletedCount_ = 0;
    setCaption(Label1, QString());

    // Both lists hold the same months, so they share one model.
    auto *periods = new QStringListModel(deletion::periodList(), this);
    Combo1->setModel(periods);
    Combo2->setModel(periods);
    Combo1->setCurrentText(deletion::presetPeriodText(platform::currentDateText()));
    Combo2->setCurrentText(deletion::presetPeriodText(platform::currentDateText()));
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Coming back from another program or a message box also activates the
    // window; the folder is read once, when the window first appears.
    if (!activated_) {
        activated_ = true;
        activate();
    }
}

void Form1::activate()
{
    installPath_ = settings::readInstallPath();
    if (settings::isInstalled(installPath_))
        setCaption(Label1, settings::dataFolderText(installPath_));
}

QString Form1::startPeriodText() const
{
    return Combo1->currentText();
}

QString Form1::endPeriodText() const
{
    return Combo2->currentText();
}

void Form1::setDeletedCountCaption(const QString &caption)
{
    setCaption(Label5, caption);
}

void Form1::focusStartPeriod()
{
    Combo1->setFocus();
}

void Form1::setFolderCaption(const QString &caption)
{
    setCaption(Label1, caption);
}

platform::MessageAnswer Form1::showMessage(const platform::Message &message)
{
    return platform::showMessageBox(this, message);
}

void Form1::Command1_Click()
{
    deletion::runDeletion(*this, installPath_, deletedCount_);
}

void Form1::Command2_Click()
{
    // Leaves the event loop at once; nothing else of the tool runs after it.
    QCoreApplication::exit(0);
}

void Form1::P_EXPL_Click()
{
    platform::openFileManager();
}

void Form1::Reg_DEL_Click()
{
    settings::clearSettings(*this, installPath_);
}

void Form1::P_END_Click()
{
    Command2_Click();
}
