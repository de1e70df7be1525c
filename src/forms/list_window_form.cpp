#include "forms/list_window_form.h"

#include "forms/accessible_names.h"
#include "forms/ui_colors.h"
#include "platform/gui/accessible_controls.h"
#include "platform/gui/place_control.h"
#include "platform/gui/value_label.h"
#include "platform/gui/window_services.h"

namespace veldo {

ListWindowForm::ListWindowForm() : BorderlessWindow(kAccentColor, QSize(250, 305), QPoint(50, 50)) {
    InstallAccessibleControls();
    setObjectName(QStringLiteral("listWindow"));
    setAttribute(Qt::WA_DeleteOnClose);

    标签n = Place(new ValueLabel(this), 264, 80, 24, 24);
    标签n->setText(QStringLiteral("1"));
    图形按钮2 = Place(new ImageButton(QStringLiteral(":/veldo/arrow_left.svg"),
                                      QStringLiteral(":/veldo/arrow_left_hover.svg"),
                                      QStringLiteral(":/veldo/arrow_left_hover.svg"), this),
                      3, 1, 14, 23);
    图形按钮1 = Place(new ImageButton(QStringLiteral(":/veldo/arrow_right.svg"),
                                      QStringLiteral(":/veldo/arrow_right_hover.svg"),
                                      QStringLiteral(":/veldo/arrow_right_hover.svg"), this),
                      233, 1, 14, 23);
    标签1 = Place(new QLabel(QStringLiteral("  VELDO列表"), this), 1, 1, 248, 24);
    按钮1 = Place(new QPushButton(this), 576, 224, 32, 16);
    列表框1 = Place(new QListWidget(this), 1, 24, 248, 280);

    UseDesignFont(标签n, 12);
    UseDesignFont(标签1, 14);
    标签1->setAutoFillBackground(true);
    // The caption starts under the left arrow button; a margin keeps the two apart.
    标签1->setContentsMargins(14, 0, 0, 0);
    QPalette titlePalette = 标签1->palette();
    titlePalette.setColor(QPalette::Window, Qt::white);
    titlePalette.setColor(QPalette::WindowText, Qt::black);
    标签1->setPalette(titlePalette);
    // The title drags the window: on Wayland the compositor places it, often over the player.
    AddDragHandle(标签1);
    UseDesignFont(列表框1, 12);
    列表框1->setFrameShape(QFrame::NoFrame);
    QPalette listPalette = 列表框1->palette();
    listPalette.setColor(QPalette::Base, Qt::white);
    列表框1->setPalette(listPalette);

    // Earlier controls of this list lie above later ones where they overlap.
    const QList<QWidget*> formOrder = {标签n, 图形按钮2, 图形按钮1, 标签1, 按钮1, 列表框1};
    for (auto it = formOrder.rbegin(); it != formOrder.rend(); ++it)
        (*it)->raise();

    标签n->setObjectName(QStringLiteral("标签n"));
    图形按钮2->setObjectName(QStringLiteral("图形按钮2"));
    图形按钮1->setObjectName(QStringLiteral("图形按钮1"));
    标签1->setObjectName(QStringLiteral("标签1"));
    按钮1->setObjectName(QStringLiteral("按钮1"));
    列表框1->setObjectName(QStringLiteral("列表框1"));

    // For assistive technology; the title 标签1 is named by its own text.
    const auto name = [](QWidget* control, const char* text) {
        control->setAccessibleName(QString::fromUtf8(text));
    };
    name(this, accessible::kListWindow);
    name(标签n, accessible::kPageNumber);
    name(图形按钮2, accessible::kPreviousPage);
    name(图形按钮1, accessible::kNextPage);
    name(按钮1, accessible::kSpareButton);
    name(列表框1, accessible::kSounds);

    图形按钮2->SetFocusMarkColor(kAccentColor);
    图形按钮1->SetFocusMarkColor(kAccentColor);
    // 按钮1 lies beyond the window's edge, where the focus must not go.
    按钮1->setFocusPolicy(Qt::NoFocus);
    按钮1->setEnabled(false);
    setTabOrder(图形按钮2, 图形按钮1);
    setTabOrder(图形按钮1, 列表框1);
    列表框1->setFocus(); // the arrow keys move in the list at once
}

ListWindowForm::~ListWindowForm() = default;

} // namespace veldo
