#include "forms/main_window_form.h"

#include "forms/accessible_names.h"
#include "forms/ui_colors.h"
#include "platform/gui/accessible_controls.h"
#include "platform/gui/place_control.h"
#include "platform/gui/value_label.h"
#include "platform/gui/window_services.h"

namespace veldo {

namespace {

constexpr int kProgressSteps = 500; // the progress bar's maximum

template <class Label = QLabel>
Label* MakeLabel(QWidget* parent, const QString& caption, int fontHeight, QColor color) {
    auto* label = new Label(parent);
    label->setText(caption);
    UseDesignFont(label, fontHeight);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

ImageButton* MakeButton(QWidget* parent, const char* normal, const char* hover,
                        const char* pressed) {
    auto res = [](const char* name) { return QStringLiteral(":/veldo/") + QLatin1String(name); };
    auto* button = new ImageButton(res(normal), res(hover), res(pressed), parent);
    button->SetFocusMarkColor(kAccentColor);
    return button;
}

void Name(QWidget* control, const char* name) {
    control->setAccessibleName(QString::fromUtf8(name));
}

} // namespace

MainWindowForm::MainWindowForm() : BorderlessWindow(Qt::white, QSize(580, 200), QPoint(50, 50)) {
    InstallAccessibleControls();
    setObjectName(QStringLiteral("mainWindow"));
    setCursor(Qt::UpArrowCursor);
    const QString zeroTime = QStringLiteral("00：00");

    图形按钮list =
        Place(MakeButton(this, "list.svg", "list_hover.svg", "list_pressed.svg"), 541, 103, 24, 24);
    标签time2 = Place(MakeLabel<ValueLabel>(this, zeroTime, 12, Qt::black), 432, 176, 48, 24);
    标签time1 = Place(MakeLabel<ValueLabel>(this, zeroTime, 12, Qt::black), 208, 176, 48, 24);
    图形按钮down =
        Place(MakeButton(this, "download.svg", "download_hover.svg", "download_pressed.svg"), 488,
              176, 24, 23);
    画板1 = Place(new DrawingPanel(this), 208, 88, 200, 50);
    时钟2 = new QTimer(this);
    时钟1 = new QTimer(this);
    图形按钮1 = Place(MakeButton(this, "explore.svg", "explore_hover.svg", "explore_pressed.svg"),
                      502, 48, 72, 32);
    图形按钮stop =
        Place(MakeButton(this, "pause.svg", "play.svg", "pause_pressed.svg"), 520, 144, 48, 48);
    图片框2 = Place(new PictureBox(this), 204, 4, 135, 40);
    图形按钮x = Place(MakeButton(this, "close.svg", "close_hover.svg", "close_pressed.svg"), 536, 0,
                      48, 24);
    标签2 = Place(MakeLabel(this, QStringLiteral(" - 颠覆你的听觉体验"), 16, QColor(0, 202, 0)),
                  336, 10, 160, 24);
    外形框1 = Place(new ShapeFrame(kIdleOutlineColor, this), 208, 48, 288, 32);
    编辑框1 = Place(new EditBox(外形框1), 8, 1, 272, 30);
    图片框1 = Place(new PictureBox(this), 0, 0, 200, 200);
    图形按钮play =
        Place(MakeButton(this, "play.svg", "pause.svg", "play_pressed.svg"), 520, 144, 48, 48);
    标签1 = Place(
        MakeLabel(this, QStringLiteral("Veldo 播放器 · 在线试听与下载"), 12, QColor(96, 96, 96)),
        208, 143, 312, 24);
    进度条 = Place(new SkinnedProgressBar(kProgressSteps, this), 211, 166, 300, 9);

    图片框2->SetVectorPicture(QStringLiteral(":/veldo/logo.svg"), QSize(135, 40));
    图片框1->SetVectorPicture(QStringLiteral(":/veldo/crown.svg"), QSize(101, 61));
    图形按钮stop->hide();

    UseDesignFont(编辑框1, 13);
    QPalette editPalette = 编辑框1->palette();
    editPalette.setColor(QPalette::Text, QColor(26, 26, 26));
    editPalette.setColor(QPalette::Base, Qt::white);
    编辑框1->setPalette(editPalette);
    编辑框1->setCursor(Qt::IBeamCursor);

    图形按钮x->setCursor(Qt::WhatsThisCursor);
    for (QWidget* plain : {static_cast<QWidget*>(图形按钮list), static_cast<QWidget*>(标签time2),
                           static_cast<QWidget*>(标签time1), static_cast<QWidget*>(图形按钮down),
                           static_cast<QWidget*>(画板1)})
        plain->setCursor(Qt::ArrowCursor);

    // Earlier controls of this list lie above later ones where they overlap.
    const QList<QWidget*> formOrder = {图形按钮list, 标签time2, 标签time1,    图形按钮down,
                                       画板1,        图形按钮1, 图形按钮stop, 图片框2,
                                       图形按钮x,    标签2,     外形框1,      图片框1,
                                       图形按钮play, 标签1,     进度条};
    for (auto it = formOrder.rbegin(); it != formOrder.rend(); ++it)
        (*it)->raise();

    // Object names are the members' names, so that tests and tools find the controls by name.
    图形按钮list->setObjectName(QStringLiteral("图形按钮list"));
    标签time2->setObjectName(QStringLiteral("标签time2"));
    标签time1->setObjectName(QStringLiteral("标签time1"));
    图形按钮down->setObjectName(QStringLiteral("图形按钮down"));
    画板1->setObjectName(QStringLiteral("画板1"));
    时钟2->setObjectName(QStringLiteral("时钟2"));
    时钟1->setObjectName(QStringLiteral("时钟1"));
    图形按钮1->setObjectName(QStringLiteral("图形按钮1"));
    图形按钮stop->setObjectName(QStringLiteral("图形按钮stop"));
    图片框2->setObjectName(QStringLiteral("图片框2"));
    图形按钮x->setObjectName(QStringLiteral("图形按钮x"));
    标签2->setObjectName(QStringLiteral("标签2"));
    编辑框1->setObjectName(QStringLiteral("编辑框1"));
    外形框1->setObjectName(QStringLiteral("外形框1"));
    图片框1->setObjectName(QStringLiteral("图片框1"));
    图形按钮play->setObjectName(QStringLiteral("图形按钮play"));
    标签1->setObjectName(QStringLiteral("标签1"));
    进度条->setObjectName(QStringLiteral("进度条"));

    // For assistive technology; 标签1 and 标签2 are named by their own text.
    Name(this, accessible::kMainWindow);
    Name(图形按钮list, accessible::kList);
    Name(标签time2, accessible::kTotalTime);
    Name(标签time1, accessible::kPlayedTime);
    Name(图形按钮down, accessible::kDownload);
    Name(画板1, accessible::kSpectrum);
    Name(图形按钮1, accessible::kSearch);
    图形按钮1->setAccessibleDescription(QString::fromUtf8(accessible::kSearchDescription));
    Name(图形按钮stop, accessible::kPause);
    Name(图片框2, accessible::kLogo);
    Name(图形按钮x, accessible::kClose);
    Name(编辑框1, accessible::kSearchBox);
    Name(外形框1, accessible::kSearchBar);
    Name(图片框1, accessible::kCover);
    Name(图形按钮play, accessible::kPlay);
    Name(进度条, accessible::kProgress);

    // Tab goes through the controls as they are read: the close button in the top corner, the
    // search row, then down the right-hand column. Play and pause share one spot.
    const QList<QWidget*> tabOrder = {图形按钮x,    编辑框1,      图形按钮1,   图形按钮list,
                                      图形按钮play, 图形按钮stop, 图形按钮down};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    图形按钮play->SetFocusStandIn(图形按钮stop);
    图形按钮stop->SetFocusStandIn(图形按钮play);
    编辑框1->setFocus(); // the window opens with the focus in the search box
}

MainWindowForm::~MainWindowForm() = default;

} // namespace veldo
