#include "image_builder.h"

#include "source_lines.h"
#include "statement_splitter.h"
#include "statement_translator.h"

namespace kestrun {

bool buildImage(const std::string& sourceText, const std::string& fileName, std::string& image,
                std::string& error) {
    image.clear();
    std::string result;
    result.reserve(sourceText.size() + 1);
    for (const SourceLine& line : splitSourceLines(sourceText)) {
        std::string message;
        // The engine stops reading the image at a zero byte, so one inside the text would silently
        // cut the program short.
        if (line.text.find('\0') != std::string_view::npos) {
            message = "zero byte in the source text";
        } else {
            const std::vector<std::string_view> statements = splitStatements(line.text);
            for (std::size_t k = 0; k < statements.size() && message.empty(); ++k) {
                if (!translateStatement(statements[k], result, message)) break;
                result += (k + 1 == statements.size()) ? "\r\n" : "\n";
            }
        }
        if (!message.empty()) {
            error = fileName + ":" + std::to_string(line.number) + ": " + message;
            return false;
        }
    }
    result += '\0';
    image = std::move(result);
    return true;
}

}  // namespace kestrun
