#include "app/WriteOutputs.h"

#include <cstdio>
#include <unistd.h>

#include "app/CommandInput.h"
#include "app/StopSignals.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "exchange/DxfExport.h"
#include "exchange/XlsxExport.h"
#include "job/TableFile.h"
#include "result/JobFile.h"
#include "result/ResultJson.h"
#include "result/RetData.h"
#include "result/StockUpdate.h"
#include "result/UnplacedParts.h"
#include "view/BoardDrawing.h"
#include "view/PrintPages.h"

int WriteOutputs(const LayoutOptions& options, OutputJob job,
                 const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>>& extra,
                 const PdfWriterFn& writePdf, const PngWriterFn& writePng, int status,
                 const MakeFiles& planFiles)
{
    // The printouts name the job and its due date as given (the cut data file dates it today).
    const CutDataInfo given = job.Info;
    job.Info = Dated(job.Info);
    PreparePrintout(job.Ret, job.Parts, job.Secondary, job.Boards, job.Options.TankaType, job.Bands);
    const auto stopped = [] { return StopSignals::Caught() != 0; };
    const auto pdf = [&](int kind) {
        return [&, kind](std::string& bytes, std::string& error) {
            PrintSource source = MakePrintSource(job.Ret, job.Parts, job.Secondary, job.Boards, job.Options,
                                                 kind, given, job.Bands);
            if (!writePdf) {
                error = "PDF output is not available";
                return false;
            }
            return writePdf(source, stopped, bytes, error);
        };
    };
    std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>> makers = {
        {&LayoutOptions::Json,
         [&](std::string& bytes, std::string&) {
             bytes = ResultToJson(job.Ret, &SawingOf(job.Ret, job.Options.NokoHaba, MinOffcut(job.Options)),
                                  job.Bands, &job.Ret.Bound);
             return true;
         }},
        {&LayoutOptions::Unplaced,
         [&](std::string& bytes, std::string& error) {
             return DiskBytes(UnplacedPartsList(job.Ret).ToText(), bytes, error);
         }},
        {&LayoutOptions::PdfInfo, pdf(kPrintBoardInfo)},
        {&LayoutOptions::PdfCuts, pdf(kPrintCutSheets)},
        {&LayoutOptions::PdfLabels, pdf(kPrintLabels)},
        {&LayoutOptions::CutData,
         [&](std::string& bytes, std::string& error) {
             std::string text;
             if (!CutDataText({job.Ret, job.Parts, job.Secondary, job.Boards, job.Options.NokoHaba,
                               MinOffcut(job.Options)}, job.Info, text,
                              error)) {
                 error = "切断手順を作成できない配置があります。" + error;
                 return false;
             }
             return DiskBytes(text, bytes, error);
         }},
    };
    makers.push_back({&LayoutOptions::StockOut, [&](std::string& bytes, std::string& error) {
                          const JobLists lists{job.Ret, job.Parts, job.Secondary, job.Boards};
                          StockUpdate update;
                          if (!MakeStockUpdate(
                                  lists, SawingOf(job.Ret, job.Options.NokoHaba, MinOffcut(job.Options)),
                                  job.Boards, StockRemark(job.Info.JobName), update, error)) {
                              return false;
                          }
                          return DiskBytes(update.Boards.ToText(), bytes, error);
                      }});
    const CutDataSource sawn{
        {job.Ret, job.Parts, job.Secondary, job.Boards}, job.Options.NokoHaba, MinOffcut(job.Options)};
    makers.push_back({&LayoutOptions::Xlsx, [&](std::string& bytes, std::string& error) {
                          WorkbookSource source{sawn};
                          source.TankaType = job.Options.TankaType;
                          source.Bands = job.Bands;
                          source.Info = given;
                          return ResultWorkbook(source, bytes, error);
                      }});
    makers.insert(makers.end(), extra.begin(), extra.end());
    StagedWrites writes;
    std::vector<std::string> createdFolders;
    int staged = StageFiles(options, makers, stopped, writes);
    if (staged == 0 && !options.PngDir.empty()) {
        const BoardSource source{job.Ret, job.Parts, job.Secondary, job.Boards, job.Options};
        staged = StageFolderFiles(
            "--png", options.PngDir,
            [&](std::vector<NamedBytes>& files, std::string& error) {
                if (!writePng) {
                    error = "PNG output is not available";
                    return false;
                }
                return writePng(source, stopped, files, error);
            },
            stopped, writes, createdFolders);
    }
    if (staged == 0 && !options.DxfDir.empty()) {
        staged = StageFolderFiles(
            "--dxf", options.DxfDir,
            [&](std::vector<NamedBytes>& files, std::string& error) {
                return PatternDxfFiles(sawn, stopped, files, error);
            },
            stopped, writes, createdFolders);
    }
    if (staged == 0 && !options.AlternativesDir.empty()) {
        staged = StageFolderFiles("--alternatives", options.AlternativesDir, planFiles, stopped, writes,
                                  createdFolders);
    }
    if (staged == 0 && StopSignals::Caught() == 0) {
        std::string failed;
        const WriteResult committed = writes.Commit(&failed);
        if (!committed.Ok() && StopSignals::Caught() != 0) {
            return Stopped(StopSignals::Caught());  // a pipe that nobody read
        }
        if (!committed.Ok()) {
            std::fprintf(stderr, "nestrix: %s cannot be written: %s\n", failed.c_str(), committed.Reason().c_str());
            return kExitCannotWrite;
        }
        return status;
    }
    writes.Discard();
    for (auto folder = createdFolders.rbegin(); folder != createdFolders.rend(); ++folder) {
        ::rmdir(folder->c_str());
    }
    return StoppedOr(staged);
}
