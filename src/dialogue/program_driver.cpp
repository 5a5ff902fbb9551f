#include "dialogue/program_driver.hpp"

#include <istream>
#include <new>
#include <optional>
#include <ostream>
#include <utility>

#include "dialogue/console.hpp"
#include "dialogue/further_questions.hpp"
#include "dialogue/output_files.hpp"
#include "dialogue/platform.hpp"
#include "dialogue/progress_line.hpp"
#include "dialogue/traverse_questions.hpp"
#include "input/coordinate_file.hpp"
#include "input/input_error.hpp"
#include "output/ellipse_table.hpp"
#include "output/results.hpp"
#include "output/summary_text.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

namespace {

// The coordinate file, read and checked before any output file exists.
struct OpenTraverse {
  CoordinateFile file;
  std::int32_t n = 0;
};

// `heights`: every record carries its planned height, read into the points.
void open_traverse(OpenTraverse& traverse, const std::string& name, bool heights, std::string& warnings) {
  traverse.file.heights = heights;
  open_coordinate_file(traverse.file, name);
  traverse.n = count_points(traverse.file);
  check_traverse(traverse.file, traverse.n);
  for (const std::string& warning : reading_warnings(traverse.file)) warnings += "elipses: aviso: " + warning + '\n';
}

void open_traverse(OpenTraverse& traverse, const std::string& name, bool heights, std::ostream& err) {
  std::string warnings;
  open_traverse(traverse, name, heights, warnings);
  err << warnings;
}

// The files of a run, in the folder asked for: elipses.txt and elipses.scr are created as
// soon as the coordinate file is read, so that a folder that cannot take them is said
// before any question; the further results when they are written. All are put in place
// together, and only when the run ends as it should.
class RunFiles : public FileSink {
 public:
  explicit RunFiles(const std::string& folder)
      : files_(folder), table_(files_.create("elipses.txt")), script_(files_.create("elipses.scr")) {}

  std::ostream& file(const std::string& name) override {
    if (name == "elipses.txt") return table_;
    if (name == "elipses.scr") return script_;
    return files_.create(name);
  }
  OutputFiles& files() { return files_; }

 private:
  OutputFiles files_;
  std::ostream& table_;
  std::ostream& script_;
};

// Read, analyse, write, say: what every run does once its answers are known. The points
// in file order are read already; a closed traverse's pass from its final point walks the
// file read again in reverse.
void analyse_write_and_say(const RunSettings& settings, OpenTraverse& traverse, PointList forward, RunFiles& files,
                           std::ostream& err) {
  const AnalysisRequest request = request_of(settings);
  PlannedTraverse points{std::move(forward), {}};
  if (request.has_mode && request.closed) points.backward = load_points_reversed(traverse.file, traverse.n);
  err << planned_work_text(request, traverse.n);
  // A sign of life of the long steps, at a terminal only: piped messages stay as they are.
  std::optional<ProgressLine> progress;
  if (standard_error_is_terminal()) progress.emplace(err);
  const PreAnalysis analysis = analyse(std::move(points), request, progress ? &*progress : nullptr);
  if (progress) progress->erase();
  err << notices_text(analysis);
  if (analysis.refusal != Refusal::none) throw InputError(refusal_text(analysis));

  const Presentation presentation = presentation_of(settings);
  const WrittenCounts counts = write_results(analysis, presentation, files);
  err << records_not_fitting_text(counts.adjusted_records, "elipses-ajustada.txt")
      << records_not_fitting_text(counts.relative_records, "elipses-relativas.txt")
      << records_not_fitting_text(counts.height_records, "elipses-alturas.txt");
  files.files().finish();
  // Values too wide for their columns are written as asterisks, as they always were; the
  // run still succeeds, but the surveyor is told, since CAD cannot use such a script line.
  err << records_not_fitting_text(counts.table_records, "elipses.txt")
      << script_lines_not_fitting_text(counts.script_lines);
  err << written_text(analysis, presentation, files.files().names(), files.files().directory_for_messages())
      << decision_text(analysis, presentation);
}

int run_dialogue(Console& console, const RunSettings& given) {
  show_banner(console);
  RunSettings settings = given;
  OpenTraverse traverse;
  // A file whose every record has a third value may be a file of heights: at a terminal
  // the heights are offered, and a warning that those values are passed over waits for the
  // answer.
  bool heights_offered = false;
  std::string held_warnings;
  for (;;) {
    settings.coordinate_file_name = read_file_name_answer(console, " Nome do ficheiro de coordenadas: ");
    try {
      open_traverse(traverse, settings.coordinate_file_name, settings.heights.asked, held_warnings);
      heights_offered =
          console.interactive && (traverse.file.heights || traverse.file.every_point_has_third_value);
      break;
    } catch (const InputError& error) {
      // At a terminal a file that cannot be used is explained and its name asked again.
      if (!console.interactive) throw;
      console.err << "elipses: " << error.what() << "; escreva o nome de outro ficheiro\n";
      traverse = OpenTraverse();
    }
  }
  if (!heights_offered) console.err << std::exchange(held_warnings, std::string());
  RunFiles files(settings.output_directory);
  PointList forward = load_points(traverse.file, traverse.n);
  if (!ask_level(console, settings)) {
    console.err << held_warnings;
    // The stop after an invalid option is an orderly end: a table without records and an
    // empty script, as the program has always left them.
    write_table_of_no_points(files.file("elipses.txt"));
    files.files().finish();
    return 0;
  }
  const std::string traverse_line = ask_traverse(console, settings);
  warn_about_traverse_letter(console.err, settings, traverse_line);
  // A person at a terminal is also asked what the options would say.
  if (console.interactive && (is_goniometric(settings.mode) || is_declined(settings.mode))) {
    const bool closed = !is_open(settings.traverse);
    ask_further_questions(console, FurtherQuestions{closed, heights_offered, closed && is_loop(forward)}, settings);
    console.out.flush();
  }
  if (traverse.file.heights != settings.heights.asked) {
    // Read again, with the heights or without them as answered.
    traverse = OpenTraverse();
    open_traverse(traverse, settings.coordinate_file_name, settings.heights.asked, console.err);
    forward = load_points(traverse.file, traverse.n);
  } else {
    console.err << held_warnings;
  }
  analyse_write_and_say(settings, traverse, std::move(forward), files, console.err);
  // A window of its own closes when the run ends: the report is offered before it does.
  if (settings.further.report && console.interactive && console_window_is_ours_alone()) {
    offer_to_open_report(console, files.files().directory_for_messages() + "/elipses-relatorio.html");
  }
  return 0;
}

// Every failure of a run ends here: one message, status 1, and the earlier results
// left as they were (the temporaries go with the files' destructor).
template <typename Run>
int guarded(std::ostream& out, std::ostream& err, Run run) {
  try {
    return run();
  } catch (const Failure& failure) {
    out.flush();
    err << "elipses: " << failure.what() << '\n';
  } catch (const std::bad_alloc&) {
    out.flush();
    err << "elipses: memória insuficiente para o ficheiro de coordenadas\n";
  } catch (const std::exception& error) {
    out.flush();
    err << "elipses: erro inesperado: " << error.what() << '\n';
  }
  err.flush();
  return 1;
}

}  // namespace

int run_program(std::istream& in, std::ostream& out, std::ostream& err, const RunSettings& given, bool interactive) {
  Console console{in, out, err, interactive};
  return guarded(out, err, [&] { return run_dialogue(console, given); });
}

int run_with_answers(const RunSettings& settings, std::ostream& err) {
  return guarded(err, err, [&] {
    OpenTraverse traverse;
    open_traverse(traverse, settings.coordinate_file_name, settings.heights.asked, err);
    RunFiles files(settings.output_directory);
    analyse_write_and_say(settings, traverse, load_points(traverse.file, traverse.n), files, err);
    return 0;
  });
}

}  // namespace elipses
