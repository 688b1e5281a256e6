#include "view/NestrixView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include "doc/NestrixDoc.h"
#include "platform/qt/QtCanvas.h"
#include "view/ViewScreens.h"

CNestrixView::CNestrixView(CNestrixDoc& doc, const Settings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_settings(settings)
{
    setObjectName("nestrixView");
    // Every pixel comes from the surface; no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
}

void CNestrixView::RequestRedraw()
{
    m_doc.RedrawNeeded = 1;
    update();
}

void CNestrixView::UpdateStatusBar()
{
    QStringList texts;
    for (const std::string& text : StatusPaneTexts(m_doc)) {
        texts << QString::fromStdString(text);
    }
    emit statusPanesChanged(texts);
}

void CNestrixView::OnNewResult()
{
    m_state.OnNewResult(m_doc);
    unsetCursor();
    RequestRedraw();
    UpdateStatusBar();
}

void CNestrixView::Changed(bool changed)
{
    if (changed) {
        RequestRedraw();
        UpdateStatusBar();
    }
}

void CNestrixView::SyncPicture()
{
    if (m_doc.RedrawNeeded && width() > 0 && height() > 0) {
        RedrawSurface();
        update();
    }
}

void CNestrixView::RedrawSurface()
{
    const QSize size = this->size() + QSize(1, 1);
    if (m_surface.size() != size) {
        m_surface = QImage(size, QImage::Format_RGB32);
    }
    QPainter painter(&m_surface);
    QtCanvas dc(painter);
    PaintScreen(dc, m_doc, m_state, m_settings, CanvasRect{0, 0, width(), height()});
    ++m_surfaceRedraws;
}

void CNestrixView::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0) {
        return;
    }
    if (m_doc.RedrawNeeded || m_surface.isNull()) {
        RedrawSurface();
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_surface, QRect(QPoint(0, 0), size()));
}

void CNestrixView::resizeEvent(QResizeEvent* event)
{
    m_surface = QImage();
    m_doc.RedrawNeeded = 1;
    QWidget::resizeEvent(event);
}

void CNestrixView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    switch (event->button()) {
        case Qt::LeftButton: Changed(m_state.LeftClick(m_doc, at.x(), at.y())); break;
        case Qt::RightButton: Changed(m_state.RightClick(m_doc)); break;
        case Qt::MiddleButton:
            // Qt keeps the mouse with the widget while a button is held.
            SyncPicture();
            if (m_state.MiddlePress(m_doc, at.x(), at.y())) {
                setCursor(Qt::ClosedHandCursor);
            }
            break;
        default: QWidget::mousePressEvent(event); break;
    }
}

void CNestrixView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        Changed(m_state.LeftClick(m_doc, at.x(), at.y()));
        return;
    }
    mousePressEvent(event);
}

void CNestrixView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_state.MouseMove(m_doc, at.x(), at.y(), (event->buttons() & Qt::MiddleButton) != 0)) {
        RequestRedraw();
    }
}

void CNestrixView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && m_state.MiddleRelease()) {
        unsetCursor();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CNestrixView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    SyncPicture();
    Changed(m_state.Wheel(m_doc, at.x(), at.y(), delta));
    event->accept();
}

void CNestrixView::keyPressEvent(QKeyEvent* event)
{
    const int centreX = width() / 2;
    const int centreY = height() / 2;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_PageUp: Changed(m_state.MoveBoard(m_doc, -1)); break;
        case Qt::Key_Right:
        case Qt::Key_PageDown: Changed(m_state.MoveBoard(m_doc, +1)); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: Changed(m_state.OpenDetail(m_doc)); break;
        case Qt::Key_Escape:
        case Qt::Key_Backspace: Changed(m_state.BackToList(m_doc)); break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            SyncPicture();
            Changed(m_state.ZoomStep(m_doc, centreX, centreY, true));
            break;
        case Qt::Key_Minus:
            SyncPicture();
            Changed(m_state.ZoomStep(m_doc, centreX, centreY, false));
            break;
        default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}
