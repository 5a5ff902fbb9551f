#include "pictures/picture_tool.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <ostream>
#include <sstream>
#include <system_error>

#include "pictures/dxf_drawing.hpp"
#include "pictures/script_player.hpp"
#include "pictures/svg_picture.hpp"

namespace elipses::pictures {

namespace fs = std::filesystem;

namespace {

constexpr const char* usage =
    "Uso: elipses-svg [--dxf] [ENTRADA [SAÍDA]]\n"
    "Desenha o script elipses.scr escrito pelo elipses numa imagem SVG, que qualquer\n"
    "navegador abre, ou num ficheiro DXF (--dxf, ou SAÍDA terminada em .dxf).\n"
    "Sem argumentos lê elipses.scr e escreve elipses.svg na pasta de trabalho; com\n"
    "ENTRADA escreve ao lado dela um ficheiro do mesmo nome terminado em .svg (ou .dxf).\n";

struct Failure {
  std::string message;
};

bool ends_with_dxf(const fs::path& path) {
  std::string extension = path.extension().u8string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".dxf";
}

std::string read_script(const fs::path& path, const std::string& shown) {
  std::error_code error;
  if (fs::is_directory(path, error)) throw Failure{"\"" + shown + "\" é uma pasta, não um script"};
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw Failure{"não foi possível abrir o script \"" + shown + "\""};
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw Failure{"não foi possível ler o script \"" + shown + "\""};
  return bytes.str();
}

// The picture goes to a file beside the target first and takes the target's name only
// when it is whole, so a failed write never leaves half a picture behind.
void write_whole(const fs::path& path, const std::string& content, const std::string& shown) {
  fs::path partial = path;
  partial += ".parcial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) throw Failure{"não foi possível criar o ficheiro \"" + shown + "\""};
    out << content;
    out.close();
    if (out.fail()) {
      std::error_code ignored;
      fs::remove(partial, ignored);
      throw Failure{"não foi possível escrever completamente o ficheiro \"" + shown + "\""};
    }
  }
  std::error_code error;
  fs::rename(partial, path, error);
  if (error) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    throw Failure{"não foi possível escrever o ficheiro \"" + shown + "\": " + error.message()};
  }
}

bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error) && !error;
}

std::size_t count_of(const Drawing& drawing, std::size_t index) {
  return static_cast<std::size_t>(std::count_if(drawing.entities.begin(), drawing.entities.end(),
                                                [index](const DrawnEntity& e) { return e.index() == index; }));
}

}  // namespace

int run_picture_tool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                     const fs::path& working_directory) {
  bool dxf_requested = false;
  std::vector<std::string> paths;
  for (const std::string& argument : arguments) {
    if (argument == "--dxf") {
      dxf_requested = true;
    } else if (argument == "-h" || argument == "--help" || argument == "--ajuda") {
      out << usage;
      return 0;
    } else if (argument.size() > 1 && argument[0] == '-') {
      err << "elipses-svg: opção desconhecida \"" << argument << "\"\n" << usage;
      return 2;
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.size() > 2) {
    err << "elipses-svg: demasiados argumentos\n" << usage;
    return 2;
  }

  const std::string input_name = paths.empty() ? std::string("elipses.scr") : paths[0];
  std::string output_name;
  if (paths.size() == 2) {
    output_name = paths[1];
  } else {
    output_name = fs::u8path(input_name).replace_extension(dxf_requested ? ".dxf" : ".svg").u8string();
  }
  const bool dxf = dxf_requested || ends_with_dxf(fs::u8path(output_name));
  if (dxf_requested && paths.size() == 2 && !ends_with_dxf(fs::u8path(output_name)) &&
      fs::u8path(output_name).extension() == ".svg") {
    err << "elipses-svg: --dxf pede um ficheiro DXF, mas a saída \"" << output_name << "\" termina em .svg\n";
    return 2;
  }
  // Names are UTF-8 (on Windows too, by the program's manifest); fs::path would read them
  // in the C library's code page there.
  const fs::path input = working_directory / fs::u8path(input_name);
  const fs::path output = working_directory / fs::u8path(output_name);

  try {
    if (same_file(input, output)) {
      throw Failure{"a saída \"" + output_name + "\" é o próprio script; escolha outro nome"};
    }
    const std::string script = read_script(input, input_name);
    Drawing drawing;
    try {
      drawing = play_drawing_script(script);
    } catch (const ScriptError& error) {
      throw Failure{"\"" + input_name + "\", " + error.what() + "; nada foi escrito"};
    }
    for (const std::string& warning : drawing.warnings) {
      err << "elipses-svg: aviso: \"" << input_name << "\", " << warning << '\n';
    }
    write_whole(output, dxf ? dxf_drawing(drawing) : svg_picture(drawing, fs::u8path(input_name).filename().u8string()),
                output_name);
    out << "elipses-svg: " << (dxf ? "desenho DXF escrito" : "imagem escrita") << " em \"" << output_name << "\": "
        << count_of(drawing, 1) << " elipses, " << count_of(drawing, 0) << " textos, " << count_of(drawing, 2)
        << " poligonais\n";
    if (drawing.entities.empty()) err << "elipses-svg: aviso: o script \"" << input_name << "\" não desenha nada\n";
    return 0;
  } catch (const Failure& failure) {
    err << "elipses-svg: " << failure.message << '\n';
    return 1;
  }
}

}  // namespace elipses::pictures
