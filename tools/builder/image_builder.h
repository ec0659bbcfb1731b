// Program source to line image.
#pragma once
#include <string>

namespace kestrun {

// Builds the (unscrambled) line image of a program source text. Every statement of a source line
// becomes one segment; the last segment of a line ends with CR LF, the earlier ones with LF alone.
// The image ends with one zero byte. On failure returns false, leaves image empty and sets error to
// "FILE:LINE: message", FILE being fileName and LINE the 1-based source line.
bool buildImage(const std::string& sourceText, const std::string& fileName, std::string& image,
                std::string& error);

}  // namespace kestrun
