#include "view/NestrixView.h"

#include <QPainter>
#include <QResizeEvent>

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

void CNestrixView::RedrawSurface()
{
    const qreal ratio = devicePixelRatioF();
    const QSize size = this->size() + QSize(1, 1);
    if (m_surface.isNull() || m_surface.size() != size * ratio) {
        m_surface = QPixmap(size * ratio);
        m_surface.setDevicePixelRatio(ratio);
    }
    QPainter painter(&m_surface);
    QtCanvas dc(painter);
    PaintScreen(dc, m_doc, CanvasRect{0, 0, width(), height()});
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
    painter.drawPixmap(QPoint(0, 0), m_surface, QRect(QPoint(0, 0), size() * m_surface.devicePixelRatio()));
}

void CNestrixView::resizeEvent(QResizeEvent* event)
{
    m_surface = QPixmap();
    m_doc.RedrawNeeded = 1;
    QWidget::resizeEvent(event);
}
