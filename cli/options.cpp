// Parsing and checking tindral-render's options. Values are checked against
// the same ranges as the parameter dialogs, except that a picture must have
// at least one pixel each way.
#include "cli/options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

const char* const kUsage =
    "Usage: tindral-render [options] OUTPUT.bmp|OUTPUT.png\n"
    "Renders an escape-time picture of z <- z^p + c as an 8-bit .BMP file, or as\n"
    "an 8-bit indexed PNG file when OUTPUT ends in .png.\n"
    "\n"
    "  --size WxH            picture size in pixels, 1 to 1000000 each (default 133x100)\n"
    "  --iterations N        iteration limit, 1 to 1000000 (default 50)\n"
    "  --rect RE0,IM0,RE1,IM1  upper-left then lower-right corner, each -5 to 5\n"
    "                        (default -2.416667,1.25,0.916667,-1.25)\n"
    "  --center RE,IM        the centre of the picture, each -5 to 5, with --width\n"
    "  --width W             the width of the region, above 0 and at most 10;\n"
    "                        pixels are square (W / width each way)\n"
    "  --noise S             start-value noise in pixel widths (default 0)\n"
    "  --exponent P          the exponent p (default 2)\n"
    "  --palette NAME|FILE   gray, fire, edge, fatigues, jungle, or the colour table\n"
    "                        of a bitmap or indexed PNG file (default fire)\n"
    "  --from FILE           take the picture's parameters (and its colours) from a\n"
    "                        picture that tindral-render or Save wrote; the options\n"
    "                        above override them\n"
    "  --seed N              the noise draws' seed, 0 to 4294967295 (default: the\n"
    "                        time in seconds; a saved picture's own with --from)\n"
    "  --threads N           worker threads, 1 to 1024 (default: the TINDRAL_THREADS\n"
    "                        environment variable, else one per processor)\n"
    "  --help                show this text\n"
    "  --version             show the version\n"
    "\n"
    "The numbers of --rect, --center and --width are decimals of any length, held\n"
    "exactly: past the precision of doubles (exponent 2, no noise) the picture is\n"
    "computed in as many digits as its pixels need.\n"
    "\n"
    "OUTPUT is written in full to a temporary file beside it, which then takes its\n"
    "place: an interrupted or failed render leaves it as it was. A symbolic link is\n"
    "followed and its target replaced; the file keeps its mode and owner; another\n"
    "hard link to it keeps the old picture. A device or a FIFO is written directly.\n";

namespace {

bool ParseInt(const std::string& text, long long* value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    *value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool ParseDouble(const std::string& text, double* value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    // ERANGE is not looked at: it also comes with numbers too small for a
    // normal double, which are numbers all the same (a subnormal, or zero).
    return *end == '\0';
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    for (;;) {
        const auto at = text.find(separator, begin);
        parts.push_back(text.substr(begin, at == std::string::npos ? std::string::npos : at - begin));
        if (at == std::string::npos) return parts;
        begin = at + 1;
    }
}

class Parser {
public:
    explicit Parser(ParsedCommandLine& result) : m_result(result) {}

    bool Fail(const std::string& message) {
        m_result.action = ParsedCommandLine::Action::Fail;
        m_result.error = OneLine(message);
        return false;
    }

    bool Integer(const std::string& option, const std::string& text, long long lo, long long hi, int* out) {
        long long v = 0;
        if (!ParseInt(text, &v)) return Fail(option + " needs an integer, not '" + text + "'");
        if (v < lo || v > hi) {
            std::ostringstream message;
            message << option << " must be between " << lo << " and " << hi << ", not " << text;
            return Fail(message.str());
        }
        *out = static_cast<int>(v);
        return true;
    }

    bool Number(const std::string& option, const std::string& text, double* out) {
        if (!ParseDouble(text, out)) return Fail(option + " needs a number, not '" + text + "'");
        if (!std::isfinite(*out)) return Fail(option + " needs a finite number, not '" + text + "'");
        return true;
    }

    bool Size(const std::string& text) {
        const auto parts = Split(text, 'x');
        if (parts.size() != 2) return Fail("--size needs WIDTHxHEIGHT, not '" + text + "'");
        return Integer("--size width", parts[0], 1, kMaxImageSide, &m_result.options.width) &&
               Integer("--size height", parts[1], 1, kMaxImageSide, &m_result.options.height);
    }

    bool Rect(const std::string& text) {
        const auto parts = Split(text, ',');
        if (parts.size() != 4) return Fail("--rect needs four numbers RE0,IM0,RE1,IM1, not '" + text + "'");
        double v[4];
        bool decimal = true;
        for (int i = 0; i < 4; ++i) {
            if (!Component("--rect", parts[i], &v[i])) return false;
            decimal = decimal && IsDecimalNumber(parts[i]);
        }
        RenderOptions& o = m_result.options;
        o.rect = SearchRect{{v[0], v[1]}, {v[2], v[3]}};
        // Other forms strtod reads (hexadecimal) are taken as the doubles they are.
        o.hasRegion = decimal;
        if (decimal) o.region = ExactRegion{ExactRegion::Kind::Corners, parts[0], parts[1], parts[2], parts[3]};
        return true;
    }

    bool Component(const std::string& option, const std::string& text, double* out) {
        if (!Number(option, text, out)) return false;
        if (*out < kMinCornerComponent || *out > kMaxCornerComponent)
            return Fail(option + " components must be between -5 and 5, not " + text);
        return true;
    }

    bool Centre(const std::string& text) {
        const auto parts = Split(text, ',');
        if (parts.size() != 2) return Fail("--center needs two numbers RE,IM, not '" + text + "'");
        double v = 0.0;
        for (const std::string& part : parts) {
            if (!Component("--center", part, &v)) return false;
            if (!IsDecimalNumber(part)) return Fail("--center needs decimal numbers, not '" + part + "'");
        }
        m_centre = parts;
        return true;
    }

    bool Width(const std::string& text) {
        double w = 0.0;
        if (!Number("--width", text, &w)) return false;
        if (!IsPositiveDecimal(text) || w > 2 * kMaxCornerComponent)
            return Fail("--width must be a decimal number above 0 and at most 10, not " + text);
        m_width = text;
        return true;
    }

    // --center and --width go together, and not with --rect.
    bool Finish() {
        if (m_centre.empty() && m_width.empty()) return true;
        if (m_centre.empty() || m_width.empty()) return Fail("--center and --width go together");
        RenderOptions& o = m_result.options;
        if (o.given.rect) return Fail("give either --rect or --center with --width, not both");
        o.region = ExactRegion{ExactRegion::Kind::Centre, m_centre[0], m_centre[1], m_width, {}};
        o.hasRegion = true;
        o.given.rect = true;
        return true;
    }

    bool Palette(const std::string& text) {
        if (text.empty()) return Fail("--palette needs a scheme name or a bitmap file");
        if (const auto scheme = SchemeByName(text)) {
            m_result.options.scheme = *scheme;
            m_result.options.paletteFile.clear();
        } else {
            m_result.options.paletteFile = text;
        }
        return true;
    }

    bool Option(const std::string& name, const std::string& value) {
        RenderOptions& o = m_result.options;
        RenderOptions::Given& g = o.given;
        if (name == "--size") return g.size = Size(value);
        if (name == "--iterations")
            return g.iterations = Integer(name, value, kMinIterations, kMaxIterations, &o.iterations);
        if (name == "--rect") return g.rect = Rect(value);
        if (name == "--center") return Centre(value);
        if (name == "--width") return Width(value);
        if (name == "--noise") return g.noise = Number(name, value, &o.noise);
        if (name == "--exponent") return g.exponent = Number(name, value, &o.exponent);
        if (name == "--palette") return g.palette = Palette(value);
        if (name == "--from") {
            if (value.empty()) return Fail("--from needs a file name");
            o.fromFile = value;
            return true;
        }
        if (name == "--threads") return Integer(name, value, 1, 1024, &o.threads);
        if (name == "--seed") {
            long long seed = 0;
            if (!ParseInt(value, &seed) || seed < 0 || seed > 4294967295LL)
                return Fail("--seed needs an integer between 0 and 4294967295, not '" + value + "'");
            o.seed = static_cast<unsigned>(seed);
            return g.seed = true;
        }
        return Fail("unknown option " + name + " (try --help)");
    }

private:
    ParsedCommandLine& m_result;
    std::vector<std::string> m_centre;
    std::string m_width;
};

bool TakesValue(const std::string& name) {
    return name == "--size" || name == "--iterations" || name == "--rect" || name == "--center" || name == "--width" ||
           name == "--noise" || name == "--exponent" || name == "--palette" || name == "--threads" ||
           name == "--from" || name == "--seed";
}

}  // namespace

std::string OneLine(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    std::string line;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte != 0x7f) {
            line += ch;
        } else {
            line += "\\x";
            line += kHex[byte >> 4];
            line += kHex[byte & 15];
        }
    }
    return line;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine result;
    Parser parser(result);
    std::vector<std::string> outputs;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsDone || arg.size() < 2 || arg[0] != '-') {
            outputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            result.action = ParsedCommandLine::Action::Help;
            return result;
        }
        if (arg == "--version") {
            result.action = ParsedCommandLine::Action::Version;
            return result;
        }
        // "--name=value" or "--name value"; the value may itself start with a
        // minus sign, as negative corners and noise do.
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (!TakesValue(name)) {
            parser.Fail("unknown option " + name + " (try --help)");
            return result;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parser.Fail(name + " needs a value");
            return result;
        }
        if (!parser.Option(name, value)) return result;
    }
    if (!parser.Finish()) return result;
    if (outputs.size() != 1) {
        parser.Fail(outputs.empty() ? "no output file given (try --help)" : "more than one output file given");
        return result;
    }
    if (outputs[0].empty()) {
        parser.Fail("the output file name is empty");
        return result;
    }
    result.options.output = outputs[0];
    result.action = ParsedCommandLine::Action::Render;
    return result;
}
