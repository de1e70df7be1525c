// Threads: callable from any thread; everything that touches a widget runs on the UI thread
// (PostToUiThread for writes, ReadOnUiThread for reads).
#include "platform/gui/window_services.h"

#include <QFont>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "platform/codepage/direct_conversion.h"
#include "platform/gui/ui_thread.h"

namespace veldo {
namespace {

constexpr int kOpaqueAlpha = 255;

} // namespace

void SetWindowAlpha(QWidget* window, int alpha) {
    const double opacity = std::clamp(alpha, 0, kOpaqueAlpha) / double(kOpaqueAlpha);
    QPointer<QWidget> guarded(window);
    PostToUiThread([guarded, opacity] {
        // Wayland has no window opacity: Qt would only print a warning for every step.
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
        if (guarded) guarded->setWindowOpacity(opacity);
    });
}

int GetWindowAlpha(QWidget* window) {
    QPointer<QWidget> guarded(window);
    return ReadOnUiThread([guarded] {
        return guarded ? static_cast<int>(std::lround(guarded->windowOpacity() * kOpaqueAlpha)) : 0;
    });
}

void AttachTooltip(QWidget* control, const Text& text, bool /*balloon*/, bool alwaysShow) {
    const QString tip = QString::fromStdString(GbkToUtf8Bytes(text));
    QPointer<QWidget> guarded(control);
    PostToUiThread([guarded, tip, alwaysShow] {
        if (!guarded) return;
        guarded->setToolTip(tip);
        if (alwaysShow) guarded->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
    });
}

void* NativeWindowHandle(QWidget* window) {
    QPointer<QWidget> guarded(window);
    return ReadOnUiThread([guarded]() -> void* {
        return guarded ? reinterpret_cast<void*>(guarded->winId()) : nullptr;
    });
}

void UseDesignFont(QWidget* widget, int pixelHeight) {
    static std::once_flag substituted;
    std::call_once(substituted, [] {
        // The windows ask for Microsoft YaHei; fontconfig would hand out a Latin-only face for it.
        QFont::insertSubstitution(QStringLiteral("微软雅黑"),
                                  QStringLiteral("WenQuanYi Micro Hei"));
        QFont::insertSubstitution(QStringLiteral("Microsoft YaHei"),
                                  QStringLiteral("WenQuanYi Micro Hei"));
    });
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(pixelHeight);
    font.setWeight(QFont::Normal);
    widget->setFont(font);
}

} // namespace veldo
