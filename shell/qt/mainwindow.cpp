#include "shell/qt/mainwindow.h"

#include "shell/qt/displaytext.h"
#include "shell/qt/fonts.h"
#include "shell/qt/messagebox.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStringListModel>

namespace shell {
namespace {

#include "shell/icon.xpm"

QByteArray key(std::string_view name)
{
    return QByteArray(name.data(), qsizetype(name.size()));
}

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
    setWindowTitle(displayText(kWindowCaption));
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
        QWidget *container = definition.container.empty() ? client : control(definition.container);
        QWidget *widget = makeControl(definition, container);
        widget->setObjectName(QString::fromLatin1(definition.name.data(),
                                                  qsizetype(definition.name.size())));
        controls_.insert(key(definition.name), widget);
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            label->move(pixelRect(definition.geometry).topLeft());
            fitCaption(label, displayText(definition.caption));
        } else {
            widget->setGeometry(pixelRect(definition.geometry));
        }
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            const bool ok = definition.name == "Command1";
            connect(button, &QPushButton::clicked, this, [this, ok] {
                ok ? commands_.okClicked() : commands_.cancelClicked();
            });
        }
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
                label(labelDefinition.name)->setBuddy(control(listDefinition.name));
    }

    for (std::size_t i = 0; i + 1 < kTabOrder.size(); ++i)
        setTabOrder(control(kTabOrder[i]), control(kTabOrder[i + 1]));
    control(kTabOrder.front())->setFocus();
}

void MainWindow::buildMenu()
{
    QMenu *menu = menuBar()->addMenu(displayText(kMenuCaption));
    const QString menuName = QString::fromLatin1(kMenuName.data(), qsizetype(kMenuName.size()));
    menu->setObjectName(menuName);
    menu->menuAction()->setObjectName(menuName);
    for (const MenuItemDefinition &item : kMenuItems) {
        QAction *action = item.isSeparator() ? menu->addSeparator()
                                             : menu->addAction(displayText(item.caption));
        action->setObjectName(QString::fromLatin1(item.name.data(), qsizetype(item.name.size())));
        if (!item.isSeparator())
            connect(action, &QAction::triggered, this,
                    [this, command = item.command] { commands_.menuChosen(command); });
    }
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    commands_.activate();
}

QWidget *MainWindow::control(std::string_view name) const
{
    return controls_.value(key(name));
}

QLabel *MainWindow::label(std::string_view name) const
{
    return qobject_cast<QLabel *>(control(name));
}

QComboBox *MainWindow::list(std::string_view name) const
{
    return qobject_cast<QComboBox *>(control(name));
}

void MainWindow::setCaption(std::string_view name, std::u16string_view text)
{
    fitCaption(label(name), displayText(text));
}

void MainWindow::setListEntries(std::string_view name, const std::vector<std::u16string> &entries)
{
    QStringList texts;
    texts.reserve(qsizetype(entries.size()));
    for (const std::u16string &entry : entries)
        texts.append(displayText(entry));
    // Lists that hold the same entries share one model.
    for (QWidget *widget : std::as_const(controls_)) {
        auto *other = qobject_cast<QComboBox *>(widget);
        auto *model = other ? qobject_cast<QStringListModel *>(other->model()) : nullptr;
        if (model && model->parent() == this && model->stringList() == texts) {
            list(name)->setModel(model);
            return;
        }
    }
    list(name)->setModel(new QStringListModel(texts, this));
}

void MainWindow::setListText(std::string_view name, std::u16string_view text)
{
    list(name)->setCurrentText(displayText(text));
}

std::u16string MainWindow::listText(std::string_view name) const
{
    return list(name)->currentText().toStdU16String();
}

void MainWindow::setFocus(std::string_view name)
{
    control(name)->setFocus();
}

platform::MessageAnswer MainWindow::showMessage(const platform::Message &message)
{
    return showMessageBox(this, message);
}

void MainWindow::endProgram()
{
    // Leaves the event loop at once; nothing else of the tool runs after it.
    QCoreApplication::exit(0);
}

} // namespace shell
