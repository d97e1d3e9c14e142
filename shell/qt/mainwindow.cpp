#include "shell/qt/mainwindow.h"

#include "shell/qt/displaytext.h"
#include "shell/qt/fonts.h"
#include "shell/qt/messagebox.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

namespace shell {
namespace {

#include "shell/icon.xpm"

QRect pixelRect(const Twips &twips)
{
    return {pixels(twips.left), pixels(twips.top), pixels(twips.width), pixels(twips.height)};
}

// A label's Left and Top stay; its size follows its text.
void fitCaption(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
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

        const QRect caption(pixels(120) - 2, 0, metrics.horizontalAdvance(title()) + 4,
                            metrics.height());
        painter.fillRect(caption, palette().window());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, title());
    }
};

QWidget *makeControl(const ControlDefinition &definition, QWidget *container)
{
    switch (definition.kind) {
    case ControlKind::Frame:
        if (definition.caption.empty()) {
            // A frame without a caption and as thin as this one is drawn as
            // a single etched line.
            auto *line = new QFrame(container);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            return line;
        }
        return new EtchedFrame(displayText(definition.caption), container);
    case ControlKind::Label: {
        auto *label = new QLabel(container);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
        if (definition.colour != TextColour::Default) {
            const TextRgb rgb = definition.colour == TextColour::Blue ? kBlue : kRed;
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, QColor(rgb.red, rgb.green, rgb.blue));
            label->setPalette(palette);
        }
        if (definition.font == FontKind::Bold)
            label->setFont(gothicFont(kBoldPoints, true));
        return label;
    }
    case ControlKind::DropDownList: {
        auto *list = new QComboBox(container);
        list->setEditable(false);
        return list;
    }
    case ControlKind::CommandButton: {
        auto *button = new QPushButton(displayText(definition.caption), container);
        button->setToolTip(displayText(definition.toolTip));
        // Enter presses the focused button; outside a dialog Qt only does
        // that for auto-default buttons. No button is the window's default.
        button->setAutoDefault(true);
        button->setDefault(false);
        return button;
    }
    }
    return nullptr;
}

} // namespace

MainWindow::MainWindow(const platform::CalendarDate &today, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint)
{
    setObjectName(displayText(kWindowName));
    setWindowTitle(displayText(texts::kWindowCaption));
    // Read from the compiled-in XPM, which needs no image-format plugin.
    setWindowIcon(QPixmap(icon_xpm));
    setFont(gothicFont(kRegularPoints));

    buildControls();
    buildMenu();
    // The client area has a fixed size and the window follows it, menu bar
    // included: the user cannot resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    commands_.load(today);
}

void MainWindow::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(pixels(kClientWidth), pixels(kClientHeight));
    setCentralWidget(client);

    for (const ControlDefinition &definition : kControls) {
        QWidget *container = definition.container ? control(*definition.container) : client;
        QWidget *widget = makeControl(definition, container);
        widget->setObjectName(
            QString::fromLatin1(definition.name.data(), qsizetype(definition.name.size())));
        controls_[std::size_t(definition.control)] = widget;
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            label->move(pixelRect(definition.geometry).topLeft());
            fitCaption(label, displayText(definition.caption));
        } else {
            widget->setGeometry(pixelRect(definition.geometry));
        }
        if (auto *button = qobject_cast<QPushButton *>(widget))
            connect(button, &QPushButton::clicked, this,
                    [this, command = definition.command] { commands_.run(command); });
    }

    // Screen readers announce each list by the label in front of it: the
    // label on the same row of the same frame.
    for (const ControlDefinition &listDefinition : kControls) {
        if (listDefinition.kind != ControlKind::DropDownList)
            continue;
        for (const ControlDefinition &labelDefinition : kControls)
            if (labelDefinition.kind == ControlKind::Label
                && labelDefinition.container == listDefinition.container
                && labelDefinition.geometry.top == listDefinition.geometry.top)
                label(labelDefinition.control)->setBuddy(control(listDefinition.control));
    }

    constexpr auto order = tabOrder();
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(control(order[i]), control(order[i + 1]));
    control(order.front())->setFocus();
}

void MainWindow::buildMenu()
{
    QMenu *menu = menuBar()->addMenu(displayText(texts::kFileMenu));
    const QString menuName = QString::fromLatin1(kMenuName.data(), qsizetype(kMenuName.size()));
    menu->setObjectName(menuName);
    menu->menuAction()->setObjectName(menuName);
    for (const MenuItemDefinition &item : kMenuItems) {
        QAction *action = item.isSeparator() ? menu->addSeparator()
                                             : menu->addAction(displayText(item.caption));
        action->setObjectName(QString::fromLatin1(item.name.data(), qsizetype(item.name.size())));
        if (!item.isSeparator())
            connect(action, &QAction::triggered, this,
                    [this, command = item.command] { commands_.run(command); });
    }
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    commands_.activate();
}

QWidget *MainWindow::control(Control control) const
{
    return controls_[std::size_t(control)];
}

QLabel *MainWindow::label(Control label) const
{
    return qobject_cast<QLabel *>(control(label));
}

QComboBox *MainWindow::list(Control list) const
{
    return qobject_cast<QComboBox *>(control(list));
}

void MainWindow::setCaption(Control name, std::u16string_view text)
{
    fitCaption(label(name), displayText(text));
}

void MainWindow::setListEntries(Control name, const std::vector<std::u16string> &entries)
{
    QStringList shown;
    shown.reserve(qsizetype(entries.size()));
    for (const std::u16string &entry : entries)
        shown.append(displayText(entry));
    QComboBox *box = list(name);
    box->clear();
    box->addItems(shown);
}

void MainWindow::setListText(Control name, std::u16string_view text)
{
    list(name)->setCurrentText(displayText(text));
}

std::u16string MainWindow::listText(Control name) const
{
    return list(name)->currentText().toStdU16String();
}

void MainWindow::setFocus(Control name)
{
    control(name)->setFocus();
}

MessageAnswer MainWindow::showMessage(const Message &message)
{
    return showMessageBox(this, message);
}

void MainWindow::openFileManager()
{
    // The desktop's own handler for folders (xdg-open on X11 and Wayland)
    // decides which file manager opens; the user's home folder is where a
    // freshly opened file manager starts anyway.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::homePath()));
}

void MainWindow::endProgram()
{
    // Leaves the event loop at once; nothing else of the tool runs after it.
    QCoreApplication::exit(0);
}

} // namespace shell
