#include "view/PrintJob.h"

#include <QMainWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolBar>

#include "base/Settings.h"
#include "doc/NestrixDoc.h"
#include "platform/Prompt.h"
#include "result/EdgeTotals.h"
#include "view/NestrixView.h"
#include "view/PrintOutput.h"
#include "view/PrintPreview.h"

CPrintJob::CPrintJob(QMainWindow& frame, CNestrixView& view, CNestrixDoc& doc, Settings& settings,
                     int& previewFlag, Prompt& prompt)
    : QObject(&frame),
      m_frame(frame),
      m_view(view),
      m_doc(doc),
      m_settings(settings),
      m_previewFlag(previewFlag),
      m_prompt(prompt)
{
}

PrintSource CPrintJob::Source() const
{
    const EdgeTotals bands = CountEdges(m_doc.RetData, m_doc.ResultEdges);
    PrintSource source = MakePrintSource(m_doc.RetData, m_doc.ResultParts, m_doc.ResultSecondary,
                                         m_doc.ResultBoards, m_resultSettings, m_kind, m_doc.JobInfo,
                                         m_doc.ResultEdges.Items.empty() ? nullptr : &bands);
    source.PrintTime = FormatPrintTime(m_time);
    return source;
}

void CPrintJob::OnPrintCommand(int kind)
{
    if (!m_doc.ResultPresent || m_preview) {
        return;
    }
    m_kind = kind;
    m_time = std::time(nullptr);
    m_resultSettings = m_doc.ResultSettings(m_settings);
    const EdgeTotals bands = CountEdges(m_doc.RetData, m_doc.ResultEdges);
    PreparePrintout(m_doc.RetData, m_doc.ResultParts, m_doc.ResultSecondary, m_doc.ResultBoards,
                    m_settings.TankaType, m_doc.ResultEdges.Items.empty() ? nullptr : &bands);
    if (m_settings.OutPrnPre) {
        OpenPreview();
    } else {
        PrintWithDialog();
    }
}

void CPrintJob::OpenPreview()
{
    m_previewFlag = 1;
    emit m_view.statusPanesChanged({QString(), QString(), QString()});

    const PrintSource source = Source();
    auto* preview = new CPreviewView2(
        [source](int page, double dotsPerMm) { return RenderPageImage(source, page, dotsPerMm); },
        PageCount(source));
    m_preview = preview;
    connect(preview, &CPreviewView2::closeRequested, this, &CPrintJob::ClosePreview);
    connect(preview, &CPreviewView2::printRequested, this, [this] {
        ClosePreview();
        PrintWithDialog();
    });

    // The preview takes the view's place; the tool bars stand aside until it closes.
    // Taken out of its place the view stays the frame's child, so the frame still owns it.
    m_frame.takeCentralWidget();
    m_view.setParent(&m_frame);
    m_view.hide();
    for (QToolBar* bar : m_frame.findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        bar->hide();
    }
    m_frame.setCentralWidget(preview);
    preview->show();
}

void CPrintJob::ClosePreview()
{
    if (!m_preview) {
        return;
    }
    QWidget* preview = m_frame.takeCentralWidget();
    preview->hide();
    preview->deleteLater();
    m_preview = nullptr;
    m_frame.setCentralWidget(&m_view);
    m_view.show();
    for (QToolBar* bar : m_frame.findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        bar->show();
    }
    m_previewFlag = 0;
    m_view.UpdateStatusBar();
    m_view.RequestRedraw();
    m_view.setFocus();
}

bool CPrintJob::PrintWithDialog()
{
    const PrintSource source = Source();
    const int pages = PageCount(source);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(PrintoutTitle(m_kind));
    // Label cells are measured from the paper's corner, not from the printable area's.
    printer.setFullPage(m_kind == kPrintLabels);
    printer.setFromTo(1, pages);
    QPrintDialog dialog(&printer, &m_frame);
    dialog.setObjectName("printDialog");
    dialog.setMinMax(1, pages);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile |
                      QAbstractPrintDialog::PrintShowPageSize);
    bool printed = false;
    if (dialog.exec() == QDialog::Accepted) {
        int from = 1;
        int to = pages;
        if (printer.printRange() == QPrinter::PageRange) {
            from = std::clamp(printer.fromPage(), 1, pages);
            to = std::clamp(printer.toPage(), from, pages);
        }
        std::string error;
        printed = RenderPrintout(printer, source, from, to, error);
        if (!printed) {
            m_prompt.ShowError("印刷できませんでした。\n" + error);
        }
    }
    m_view.UpdateStatusBar();
    return printed;
}
