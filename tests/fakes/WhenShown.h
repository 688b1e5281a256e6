#pragma once

#include <QApplication>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts on the window named `name` as soon as it is shown. Modal dialogs block the test until
// they close, so the action is scheduled before the command that opens them runs.
inline void WhenShown(const QString& name, std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(qApp);  // a window that never shows leaves its timer to the application
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, name, action] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == name && window->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(window);
                return;
            }
        }
    });
    timer->start();
}
