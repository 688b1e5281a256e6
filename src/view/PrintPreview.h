#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "view/PreviewState.h"

class QLabel;
class QPushButton;
class QScrollArea;

// The print preview inside the main window: a bar of six buttons over the page. The pages come
// from the page routine that also prints them.
class CPreviewView2 : public QWidget {
    Q_OBJECT
public:
    // A page as a picture of the given pixels per millimetre.
    using PageRenderer = std::function<QImage(int page, double dotsPerMm)>;

    CPreviewView2(PageRenderer render, int pageCount, QWidget* parent = nullptr);

    const PreviewState& State() const { return m_state; }
    // The page area: it keeps the keyboard focus, so the wheel works after a button.
    QScrollArea* PageView() const { return m_scroll; }
    QPushButton* Button(const char* name) const;

signals:
    void printRequested();
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* AddButton(const char* text, const char* name, int gapBefore);
    void Act(bool (PreviewState::*action)());
    void Refresh();
    double DotsPerMm() const;

    PageRenderer m_render;
    PreviewState m_state;
    QWidget* m_bar = nullptr;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_page = nullptr;
    QImage m_picture;
    int m_pictureKey = -1;
    double m_pictureScale = 0.0;
};
