#pragma once

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>

// Runs what must happen inside the next modal dialog once its event loop runs.
inline void WhenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal != nullptr);
        act(modal);
    });
}
