#include "dialogue/run_settings.hpp"

#include "output/ellipse_levels.hpp"

namespace elipses {

AnalysisRequest request_of(const RunSettings& settings) {
  AnalysisRequest request;
  request.has_mode = is_goniometric(settings.mode) || is_declined(settings.mode);
  request.mode = is_declined(settings.mode) ? ObservationMode::declined : ObservationMode::goniometric;
  request.closed = !is_open(settings.traverse);
  request.use = settings.use;
  request.initial_point = settings.initial_point;
  request.final_point = settings.final_point;
  request.k = is_ellipse_option(settings.ellipse_option) ? ellipse_level(settings.ellipse_option).k : 1.0;
  request.further = settings.further;
  request.heights = settings.heights;
  return request;
}

Presentation presentation_of(const RunSettings& settings) {
  Presentation presentation;
  presentation.ellipse_option = settings.ellipse_option;
  presentation.scale = settings.scale;
  presentation.text_height = settings.text_height;
  presentation.title = is_open(settings.traverse)           ? TraverseTitle::open
                       : is_named_closed(settings.traverse) ? TraverseTitle::closed
                                                            : TraverseTitle::none;
  presentation.coordinate_file = settings.coordinate_file_name;
  presentation.folder = settings.output_directory;
  return presentation;
}

}  // namespace elipses
