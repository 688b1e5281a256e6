#pragma once

#include <QPixmap>
#include <QStringList>
#include <QWidget>

class CNestrixDoc;
struct Settings;

// The one view of the main window. Paints from an off-screen surface that is redrawn only
// when the document asks for it, so ordinary exposes cost one copy.
class CNestrixView : public QWidget {
    Q_OBJECT
public:
    CNestrixView(CNestrixDoc& doc, const Settings& settings, QWidget* parent = nullptr);

    // Marks the picture as changed and schedules a paint.
    void RequestRedraw();
    // Hands the three indicator pane texts to whoever shows them.
    void UpdateStatusBar();

    // How often the off-screen surface was drawn anew.
    int SurfaceRedraws() const { return m_surfaceRedraws; }
    const QPixmap& Surface() const { return m_surface; }

signals:
    void statusPanesChanged(const QStringList& texts);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RedrawSurface();

    CNestrixDoc& m_doc;
    const Settings& m_settings;
    QPixmap m_surface;  // client size + 1 pixel each way; thrown away on resize
    int m_surfaceRedraws = 0;
};
