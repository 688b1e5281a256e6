#include "view/PrintPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace {

// The bar's buttons are 44 x 12 dialog units, 2 apart; a dialog unit is about 2 pixels.
constexpr QSize kButtonSize(88, 24);
constexpr int kGap = 4;

// Zoom steps as multiples of the whole-page size.
constexpr double kFineDotsPerMm = 8.0;

constexpr double kZoomFactors[PreviewState::kMaxZoom + 1] = {1.0, 2.0, 3.0};

}  // namespace

CPreviewView2::CPreviewView2(PageRenderer render, int pageCount, QWidget* parent)
    : QWidget(parent), m_render(std::move(render))
{
    setObjectName("printPreview");
    m_state.SetRange(1, pageCount);

    m_bar = new QWidget(this);
    m_bar->setObjectName("previewBar");
    auto* barLayout = new QHBoxLayout(m_bar);
    barLayout->setContentsMargins(kGap, kGap, kGap, kGap);
    barLayout->setSpacing(kGap);
    connect(AddButton("印刷", "printButton", 0), &QPushButton::clicked, this, &CPreviewView2::printRequested);
    connect(AddButton("前ﾍﾟｰｼﾞ", "prevButton", 0), &QPushButton::clicked, this,
            [this] { Act(&PreviewState::Prev); });
    connect(AddButton("次ﾍﾟｰｼﾞ", "nextButton", 0), &QPushButton::clicked, this,
            [this] { Act(&PreviewState::Next); });
    // Where a two-page button would stand, the bar leaves a button's room.
    connect(AddButton("拡大", "zoomInButton", kButtonSize.width() + kGap), &QPushButton::clicked, this,
            [this] { Act(&PreviewState::ZoomIn); });
    connect(AddButton("縮小", "zoomOutButton", 0), &QPushButton::clicked, this,
            [this] { Act(&PreviewState::ZoomOut); });
    connect(AddButton("閉じる", "closeButton", 0), &QPushButton::clicked, this,
            &CPreviewView2::closeRequested);
    barLayout->addStretch(1);

    m_page = new QLabel;
    m_page->setObjectName("previewPage");
    m_page->setAlignment(Qt::AlignCenter);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName("previewView");
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->setWidget(m_page);
    m_scroll->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_scroll, 1);
}

QPushButton* CPreviewView2::AddButton(const char* text, const char* name, int gapBefore)
{
    auto* button = new QPushButton(text, m_bar);
    button->setObjectName(name);
    button->setFixedSize(kButtonSize);
    if (gapBefore > 0) {
        static_cast<QHBoxLayout*>(m_bar->layout())->addSpacing(gapBefore);
    }
    m_bar->layout()->addWidget(button);
    return button;
}

QPushButton* CPreviewView2::Button(const char* name) const
{
    return m_bar->findChild<QPushButton*>(name);
}

void CPreviewView2::Act(bool (PreviewState::*action)())
{
    (m_state.*action)();
    Refresh();
    // Back to the page, so that the wheel keeps turning pages.
    m_scroll->setFocus(Qt::OtherFocusReason);
}

double CPreviewView2::DotsPerMm() const
{
    const QSize room = m_scroll->viewport()->size() - QSize(16, 16);
    const double fit = std::max(0.5, std::min(room.width() / 210.0, room.height() / 297.0));
    return fit * kZoomFactors[m_state.Zoom()];
}

void CPreviewView2::Refresh()
{
    const double scale = DotsPerMm();
    if (m_state.Current() != m_pictureKey || scale != m_pictureScale) {
        // Small pages are drawn at a print-like resolution and scaled down, so that the texts
        // keep the widths the page was laid out with.
        m_picture = m_render(m_state.Current(), std::max(scale, kFineDotsPerMm));
        if (scale < kFineDotsPerMm) {
            m_picture = m_picture.scaled(QSize(static_cast<int>(210 * scale), static_cast<int>(297 * scale)),
                                         Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        m_pictureKey = m_state.Current();
        m_pictureScale = scale;
        m_page->setPixmap(QPixmap::fromImage(m_picture));
        m_page->resize(m_picture.size() + QSize(16, 16));
    }
    Button("prevButton")->setEnabled(m_state.CanPrev());
    Button("nextButton")->setEnabled(m_state.CanNext());
    Button("zoomInButton")->setEnabled(m_state.CanZoomIn());
    Button("zoomOutButton")->setEnabled(m_state.CanZoomOut());
}

bool CPreviewView2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        const PreviewState::Wheel done = m_state.OnWheel(delta);
        if (done == PreviewState::Wheel::Scroll) {
            return false;
        }
        if (done == PreviewState::Wheel::Turned) {
            Refresh();
        }
        m_scroll->setFocus(Qt::MouseFocusReason);
        return true;
    }
    if (watched == m_scroll->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_scroll->setFocus(Qt::MouseFocusReason);
    }
    return QWidget::eventFilter(watched, event);
}

void CPreviewView2::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Refresh();
    m_scroll->setFocus(Qt::ActiveWindowFocusReason);
}

void CPreviewView2::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible()) {
        Refresh();
    }
}
