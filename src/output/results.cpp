#include "output/results.hpp"

#include "output/design_files.hpp"
#include "output/drawing_script.hpp"
#include "output/ellipse_levels.hpp"
#include "output/ellipse_table.hpp"
#include "output/height_files.hpp"
#include "output/misclosure_text.hpp"
#include "output/relative_drawing.hpp"
#include "output/relative_table.hpp"
#include "output/reliability_table.hpp"
#include "output/report.hpp"

namespace elipses {

WrittenCounts write_results(const PreAnalysis& analysis, const Presentation& presentation, FileSink& files) {
  WrittenCounts counts;
  const AnalysisRequest& request = analysis.request;
  const FurtherResults& further = request.further;
  const PointList& forward = analysis.points.forward;
  const DrawingSettings drawing = drawing_settings(request, presentation);
  const AngleUnit unit = request.use.precision.angle_unit;
  counts.table_records = write_ellipse_table(files.file("elipses.txt"), analysis);
  counts.script_lines = write_drawing_script(files.file("elipses.scr"), analysis, drawing);
  if (analysis.further) {
    if (request.closed && further.adjusted) {
      counts.adjusted_records = write_adjusted_table(files.file("elipses-ajustada.txt"), analysis);
      write_adjusted_script(files.file("elipses-ajustada.scr"), analysis, drawing);
      write_misclosure_file(files.file("elipses-fecho.txt"),
                            misclosure_lines(*analysis.misclosure, request.mode, presentation.ellipse_option, unit));
    }
    if (further.relative) {
      counts.relative_records =
          write_relative_table(files.file("elipses-relativas.txt"), forward, *analysis.legs, further.tolerances.relative);
      DrawingScriptWriter script(files.file("elipses-relativas.scr"));
      RelativeDrawingSettings relative;
      relative.drawing = drawing;
      relative.closed = request.closed;
      if (further.tolerances.relative) {
        relative.tolerance_legend = ToleranceLegend{further.tolerances.relative_mm, further.tolerances.relative_ppm};
      }
      write_relative_drawing(script, relative, forward, *analysis.legs);
      script.text.flush();
    }
    if (analysis.pairs) {
      write_pairs_file(files.file("elipses-pares.txt"), forward, *analysis.pairs, further.tolerances,
                       level_and_factor(presentation.ellipse_option));
    }
    if (further.design) {
      write_design_file(files.file("elipses-projeto.txt"), design_sheet_lines(analysis, presentation.ellipse_option));
    }
    if (request.closed && further.reliability) {
      write_reliability_table(files.file("elipses-fiabilidade.txt"), forward, *analysis.reliability, unit);
    }
  }
  if (analysis.heights) {
    const HeightResults& heights = *analysis.heights;
    counts.height_records =
        write_heights_file(files.file("elipses-alturas.txt"), analysis, presentation.ellipse_option);
    if (heights.test && request.heights.tolerance->every_pair) {
      write_height_pairs_file(files.file("elipses-pares-alturas.txt"), forward, *heights.test,
                              *request.heights.tolerance, height_level_text(presentation.ellipse_option, heights.factor));
    }
  }
  if (further.report) write_report(files.file("elipses-relatorio.html"), report_of(analysis, presentation));
  return counts;
}

}  // namespace elipses
