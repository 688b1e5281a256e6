#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

#include "view/ViewState.h"

class CNestrixDoc;
struct Settings;

// The one view of the main window. Paints from an off-screen image that is redrawn only when
// the document asks for it, so ordinary exposes cost one copy. Mouse: left click / double click
// pick a board and open it, right click returns to the list, the wheel zooms, the middle button
// pans. Keys: ← → PageUp PageDown move the current board, Enter opens it, Esc and Backspace
// return to the list, + and − zoom around the window's centre.
class CNestrixView : public QWidget {
    Q_OBJECT
public:
    CNestrixView(CNestrixDoc& doc, const Settings& settings, QWidget* parent = nullptr);

    // Marks the picture as changed and schedules a paint.
    void RequestRedraw();
    // Hands the three indicator pane texts to whoever shows them.
    void UpdateStatusBar();
    // The document holds a new result: first board, list or detail screen, zoom 1.
    void OnNewResult();

    ViewState& State() { return m_state; }
    const ViewState& State() const { return m_state; }

    // How often the off-screen surface was drawn anew.
    int SurfaceRedraws() const { return m_surfaceRedraws; }
    const QImage& Surface() const { return m_surface; }

signals:
    void statusPanesChanged(const QStringList& texts);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RedrawSurface();
    // Zoom and pan work on the board as it is shown: a pending redraw is done first, so the
    // transform is the one of the picture under the cursor.
    void SyncPicture();
    // After an event: repaint and status bar when it changed the picture.
    void Changed(bool changed);

    CNestrixDoc& m_doc;
    const Settings& m_settings;
    ViewState m_state;
    QImage m_surface;  // client size + 1 pixel each way; thrown away on resize
    int m_surfaceRedraws = 0;
};
