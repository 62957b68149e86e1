// OBJ/MTL through the library: it parses; here every line is checked first (the
// library reads damaged lines as something else), v is turned over exactly on its
// decimal text, and the edited UVs are written back with the file's own numbers.
//
// Sections:
//   Line checks         the library's messages, keywords, element counts, checkLines
//   Exact v             Decimal: 1 - v on the decimal text, vFromObj, vForObj
//   Material libraries  MaterialLibraries: the MTL files beside the OBJ file
//   Writing helpers     appendFloat, relativeOrAbsolute
//   Entry points        geometricNormal, parseObj, formatObj
#define TINYOBJLOADER_IMPLEMENTATION
#include "io/MeshFile.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <limits>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>
#include <unordered_map>

namespace devhost {

namespace {

namespace fs = std::filesystem;

// ---- Line checks ----

// The line number in one of the loader's messages ("... line 12.)"), or 0.
long lineInMessage(const std::string& message) {
    static const std::regex pattern(R"(line:?\s*(\d+))");
    std::smatch match;
    return std::regex_search(message, match, pattern) ? std::stol(match[1].str()) : 0;
}

std::string firstLine(std::string text) {
    size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.erase(end);
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

bool isNumber(const std::string& token) {
    if (token.empty()) return false;
    char* end = nullptr;
    std::strtod(token.c_str(), &end);
    return end == token.c_str() + token.size();
}

// The file's text with every line ending ("\r\n", "\n" or an old "\r" alone) as "\n".
std::string textLines(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            text += bytes[i];
        }
    }
    return text;
}

// Takes out every line of the text that starts with the words.
void eraseLines(std::string& text, const std::string& start) {
    for (size_t at; (at = text.find(start)) != std::string::npos;) {
        size_t end = text.find('\n', at);
        text.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    }
}

// Bytes no text file holds are refused: UTF-16 and binary files would otherwise read as
// a mesh of nothing.
void checkText(const fs::path& path, const std::string& text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        throw FileError(path, 1, "UTF-16 text; OBJ files are read as UTF-8 or ASCII");
    size_t zero = text.find('\0');
    if (zero != std::string::npos)
        throw FileError(path, 1 + long(std::count(text.begin(), text.begin() + long(zero), '\n')),
                        "a zero byte: binary data or UTF-16 text without a byte-order mark, not OBJ text");
}

// Keywords of the format; a line starting with anything else is reported, since a
// file of only such lines would open as an empty mesh.
bool knownKeyword(const std::string& keyword) {
    static const char* const known[] = {"v", "vt", "vn", "vp", "f", "l", "p", "o", "g", "s", "usemtl", "mtllib",
                                        "cstype", "deg", "curv", "curv2", "surf", "parm", "trim", "hole", "end",
                                        "bmat", "step", "con", "sp", "mg", "lod", "shadow_obj", "trace_obj",
                                        "ctech", "stech", "maplib", "usemap", "bevel", "c_interp", "d_interp"};
    if (keyword[0] == '#') return true;
    for (const char* name : known)
        if (keyword == name) return true;
    return false;
}

// The loader reads a number it cannot parse as 0, drops faces of fewer than three
// corners and lets indices past the end through; a file that says "v 1 two 3",
// "f 1 2" or "f 1 2 9" with three vertices is damaged and must not open as if it
// said something else.
struct ObjCounts {
    long v = 0, vt = 0, vn = 0;
};

ObjCounts countElements(const std::string& text) {
    ObjCounts counts;
    std::istringstream lines(text);
    std::string line, keyword;
    while (std::getline(lines, line)) {
        std::istringstream tokens(line);
        if (!(tokens >> keyword)) continue;
        if (keyword == "v") ++counts.v;
        else if (keyword == "vt") ++counts.vt;
        else if (keyword == "vn") ++counts.vn;
    }
    return counts;
}

// One "v", "v/vt", "v/vt/vn" or "v//vn" corner: each index present must name an element
// (negative ones count back from the elements read so far), and only the texture
// coordinate of "v//vn" may be left empty.
void checkCorner(const fs::path& path, long line, const std::string& corner, const ObjCounts& total,
                 const ObjCounts& sofar) {
    static const char* const names[3] = {"vertex", "texture coordinate", "normal"};
    const long totals[3] = {total.v, total.vt, total.vn};
    const long seen[3] = {sofar.v, sofar.vt, sofar.vn};
    const long slashes = long(std::count(corner.begin(), corner.end(), '/'));
    if (slashes > 2)
        throw FileError(path, line, "face corner '" + corner + "' has " + std::to_string(slashes) +
                                        " slashes; a corner is v, v/vt, v/vt/vn or v//vn");
    size_t start = 0;
    for (int part = 0; part <= slashes; ++part) {
        size_t slash = corner.find('/', start);
        std::string field = corner.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash + 1;
        if (field.empty()) {
            if (part == 1 && slashes == 2) continue;
            throw FileError(path, line, "face corner '" + corner + "' has no " + names[part] + " index");
        }
        char* end = nullptr;
        long long index = std::strtoll(field.c_str(), &end, 10);
        if (*end != '\0') throw FileError(path, line, "'" + field + "' is not an index");
        // Compared without negating: the index may be the most negative number.
        bool inside = index > 0 ? index <= totals[part] : index < 0 && index >= -static_cast<long long>(seen[part]);
        if (!inside)
            throw FileError(path, line, "face refers to " + std::string(names[part]) + " " + std::to_string(index) +
                                            " of " + std::to_string(index > 0 ? totals[part] : seen[part]));
    }
}

// The number of the first line of the text that starts with the keyword and holds the
// word after it, or 0.
long lineWith(const std::string& text, const std::string& keyword, const std::string& word) {
    std::istringstream lines(text);
    std::string line, token;
    for (long number = 1; std::getline(lines, line); ++number) {
        std::istringstream tokens(line);
        if (!(tokens >> token) || token != keyword) continue;
        while (tokens >> token)
            if (token == word) return number;
    }
    return 0;
}

// The line of the last "map_Kd" in the MTL text's "newmtl NAME" block, or 0.
long textureLine(const std::string& mtl, const std::string& material) {
    std::istringstream lines(mtl);
    std::string line, keyword, name;
    long found = 0;
    bool inside = false;
    for (long number = 1; std::getline(lines, line); ++number) {
        std::istringstream tokens(line);
        if (!(tokens >> keyword)) continue;
        if (keyword == "newmtl") {
            std::getline(tokens >> std::ws, name);
            while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
            inside = name == material;
        } else if (inside && keyword == "map_Kd") {
            found = number;
        }
    }
    return found;
}

// Checks every line; answers the v text of each "vt" line in order ("0" when absent).
// Lines of unknown keywords are counted into warnings.
std::vector<std::string> checkLines(const fs::path& path, const std::string& text, std::vector<std::string>& warnings) {
    std::vector<std::string> textureVs;
    const ObjCounts total = countElements(text);
    ObjCounts sofar;
    std::istringstream lines(text);
    std::string line;
    long number = 0, unknown = 0, firstUnknown = 0;
    std::string firstUnknownKeyword;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream tokens(line);
        std::string keyword;
        if (!(tokens >> keyword)) continue;
        if (!knownKeyword(keyword) && unknown++ == 0) firstUnknown = number, firstUnknownKeyword = keyword;
        size_t least = 0, most = 0;
        if (keyword == "v") least = 3, most = 7, ++sofar.v;  // x y z, optionally r g b or w
        else if (keyword == "vt") least = 1, most = 3, ++sofar.vt;
        else if (keyword == "vn") least = 3, most = 3, ++sofar.vn;
        else if (keyword == "f") {
            size_t corners = 0;
            for (std::string corner; tokens >> corner && corner[0] != '#'; ++corners)
                checkCorner(path, number, corner, total, sofar);
            if (corners < 3)
                throw FileError(path, number, "a face needs at least 3 corners, found " +
                                                  std::to_string(corners));
            continue;
        } else continue;
        std::vector<std::string> values;
        for (std::string value; tokens >> value;) {
            if (value[0] == '#') break;
            values.push_back(value);
        }
        if (values.size() < least || values.size() > most)
            throw FileError(path, number, "'" + keyword + "' needs " + std::to_string(least) +
                                              (least == most ? "" : " to " + std::to_string(most)) +
                                              " numbers, found " + std::to_string(values.size()));
        for (const std::string& value : values)
            if (!isNumber(value))
                throw FileError(path, number, "'" + value + "' is not a number");
        if (keyword == "vt") textureVs.push_back(values.size() > 1 ? values[1] : "0");
    }
    if (unknown > 0)
        warnings.push_back(FileError(path, firstUnknown, std::to_string(unknown) +
                                                             " line(s) with an unknown keyword, the first '" +
                                                             firstUnknownKeyword + "'; left out")
                               .what());
    return textureVs;
}

// ---- Exact v ----

// OBJ files count v from the bottom row of the image, the plug-in from the top row:
// v here is 1 - v there. In float, 1 - (1 - v) is not always v, so the subtraction
// is done exactly on the decimal text and rounded once: writing 1 - (the shortest
// text of v) then reads back as v itself, for every finite float.
struct Decimal {
    bool negative = false;
    std::string digits;  // no leading zeros; empty for zero
    long exponent = 0;   // value = digits x 10^exponent
};

// Plain decimal numbers ("-1.25e-3", ".5", "7"); false for anything else (inf, hex).
bool parseDecimal(const std::string& text, Decimal& number) {
    size_t i = 0;
    number = Decimal{};
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.negative = text[i++] == '-';
    bool anyDigit = false, point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (!number.digits.empty() || c != '0') number.digits += c;
            if (point) --number.exponent;
        } else {
            break;
        }
    }
    if (!anyDigit) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        if (i == text.size()) return false;
        long exponent = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            exponent = std::min(exponent * 10 + (text[i] - '0'), 100000L);
        number.exponent += negative ? -exponent : exponent;
    }
    return i == text.size();
}

// a - b for digit strings of the same length with a >= b.
std::string subtractDigits(std::string a, const std::string& b) {
    int borrow = 0;
    for (size_t i = a.size(); i-- > 0;) {
        int d = (a[i] - '0') - (b[i] - '0') - borrow;
        borrow = d < 0;
        a[i] = char('0' + d + 10 * borrow);
    }
    return a;
}

std::string addDigits(const std::string& a, const std::string& b) {
    std::string sum(a.size(), '0');
    int carry = 0;
    for (size_t i = a.size(); i-- > 0;) {
        int d = (a[i] - '0') + (b[i] - '0') + carry;
        carry = d / 10;
        sum[i] = char('0' + d % 10);
    }
    return carry ? "1" + sum : sum;
}

// 1 - x, exactly.
Decimal oneMinus(const Decimal& x) {
    Decimal result;
    long size = long(x.digits.size());
    // Beyond these the other term cannot change the float the result rounds to.
    if (x.digits.empty() || size + x.exponent < -60) {
        result.digits = "1";
        return result;
    }
    if (size + x.exponent > 60) {
        result = x;
        result.negative = !x.negative;
        return result;
    }
    long scale = std::min(x.exponent, 0L);
    std::string one = "1" + std::string(size_t(-scale), '0');
    std::string other = x.digits + std::string(size_t(x.exponent - scale), '0');
    size_t width = std::max(one.size(), other.size());
    one.insert(0, width - one.size(), '0');
    other.insert(0, width - other.size(), '0');
    if (x.negative) result.digits = addDigits(one, other);
    else if (one >= other) result.digits = subtractDigits(one, other);
    else {
        result.negative = true;
        result.digits = subtractDigits(other, one);
    }
    result.digits.erase(0, std::min(result.digits.find_first_not_of('0'), result.digits.size()));
    result.exponent = scale;
    return result;
}

std::string decimalText(const Decimal& number) {
    if (number.digits.empty()) return number.negative ? "-0" : "0";
    return (number.negative ? "-" : "") + number.digits + "e" + std::to_string(number.exponent);
}

// The float nearest to the decimal; beyond the float range an infinity or a zero.
float nearestFloat(const Decimal& number) {
    std::string text = decimalText(number);
    float value = 0.0f;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        bool large = long(number.digits.size()) + number.exponent > 0;
        value = large ? std::numeric_limits<float>::infinity() : 0.0f;
        if (number.negative) value = -value;
    }
    return value;
}

// The plug-in's v of an OBJ "vt" v text.
float vFromObj(const std::string& text) {
    Decimal number;
    if (!parseDecimal(text, number)) return float(1.0 - std::strtod(text.c_str(), nullptr));
    return nearestFloat(oneMinus(number));
}

// The "vt" v text of the plug-in's v: the file's own number when it still reads back
// as v, so that a mesh saved unchanged keeps its numbers; otherwise 1 - v exactly.
std::string vForObj(float v, float fileV) {
    if (!std::isfinite(v)) return "0";
    char text[64];
    if (std::isfinite(fileV)) {
        std::snprintf(text, sizeof text, "%.9g", double(fileV));
        if (std::bit_cast<uint32_t>(vFromObj(text)) == std::bit_cast<uint32_t>(v)) return text;
    }
    // -0 has no exact decimal counterpart; a number just above 1 reads back as -0.
    if (v == 0.0f && std::signbit(v)) return "1.00000000000000000000000000000000000000000000000001";
    auto [end, error] = std::to_chars(text, text + sizeof text, v);
    (void)error;
    Decimal shortest;
    parseDecimal(std::string(text, end), shortest);
    Decimal flipped = oneMinus(shortest);
    // Plain digits with a point, as OBJ readers expect.
    std::string digits = flipped.digits.empty() ? "0" : flipped.digits;
    if (flipped.exponent < 0) {
        size_t places = size_t(-flipped.exponent);
        if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
        digits.insert(digits.size() - places, ".");
    } else {
        digits += std::string(size_t(flipped.exponent), '0');
    }
    return (flipped.negative ? "-" : "") + digits;
}

// ---- Material libraries ----

// A name the file gives as a path; false when it is not UTF-8, which no path converts from.
bool pathFromName(const std::string& name, fs::path& path) {
    try {
        path = fs::u8path(name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Opens the MTL libraries beside the OBJ file; a library that cannot be read is a
// warning naming the OBJ line that asks for it. Remembers where each material's
// texture was named, for the messages about it.
class MaterialLibraries : public tinyobj::MaterialReader {
public:
    MaterialLibraries(const fs::path& obj, const std::string& objText, const FileReader& readFile,
                      std::vector<std::string>& warnings)
        : obj_(obj), objText_(objText), readFile_(readFile), warnings_(warnings) {}

    bool operator()(const std::string& name, std::vector<tinyobj::material_t>* materials,
                    std::map<std::string, int>* names, std::string* warning,
                    std::string* error) override {
        const long line = lineWith(objText_, "mtllib", name);
        fs::path file;
        if (!pathFromName(name, file)) {
            warnings_.push_back(FileError(obj_, line, "a material library's name is not UTF-8; library left out").what());
            return false;
        }
        file = obj_.parent_path() / file;
        std::string text;
        try {
            text = textLines(readFile_(file));
        } catch (const FileError& refused) {
            warnings_.push_back(FileError(obj_, line, "material library " + std::string(refused.what()) + "; left out").what());
            return false;
        }
        std::istringstream in(text);
        std::string mtlWarning;
        const size_t first = materials->size();
        tinyobj::LoadMtl(names, materials, &in, &mtlWarning, error);
        if (!mtlWarning.empty()) warnings_.push_back(pathText(file) + ": " + firstLine(mtlWarning));
        for (size_t m = first; m < materials->size(); ++m)
            sources_.push_back({file, textureLine(text, (*materials)[m].name)});
        (void)warning;
        return true;
    }

    // Where material m's texture was named (the library and the map_Kd line).
    std::pair<fs::path, long> source(size_t m) const { return m < sources_.size() ? sources_[m] : std::pair{obj_, 0L}; }

private:
    fs::path obj_;
    const std::string& objText_;
    const FileReader& readFile_;
    std::vector<std::string>& warnings_;
    std::vector<std::pair<fs::path, long>> sources_;
};

// ---- Writing helpers ----

// Nine significant digits: every float reads back as exactly itself.
void appendFloat(std::string& out, float value) {
    if (!std::isfinite(value)) value = 0.0f;
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    out += text;
}

fs::path relativeOrAbsolute(const fs::path& target, const fs::path& folder) {
    std::error_code error;
    fs::path relative = fs::relative(target, folder, error);
    return error || relative.empty() ? target : relative;
}

}  // namespace

// ---- Entry points ----

void geometricNormal(const DevFace& face, const std::vector<DevVertex>& vertices, float normal[3]) {
    normal[0] = normal[1] = normal[2] = 0.0f;
    for (int c = 0; c < 3; ++c)
        if (face.vertex[c] >= vertices.size()) return;
    const float* p0 = vertices[face.vertex[0]].position;
    const float* p1 = vertices[face.vertex[1]].position;
    const float* p2 = vertices[face.vertex[2]].position;
    double a[3], b[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = double(p1[i]) - p0[i];
        b[i] = double(p2[i]) - p0[i];
    }
    double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0) || !std::isfinite(length)) return;
    for (int i = 0; i < 3; ++i) normal[i] = static_cast<float>(n[i] / length);
}

MeshFile parseObj(const fs::path& path, std::string text, const FileReader& readFile) {
    checkText(path, text);
    text = textLines(text);
    MeshFile mesh;
    const std::vector<std::string> textureVs = checkLines(path, text, mesh.warnings);

    tinyobj::attrib_t attributes;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warning, error;
    MaterialLibraries libraries(path, text, readFile, mesh.warnings);
    std::istringstream in(text);
    if (!tinyobj::LoadObj(&attributes, &shapes, &materials, &warning, &error, &in, &libraries,
                          false, false)) {
        std::string why = firstLine(error.empty() ? warning : error);
        throw FileError(path, lineInMessage(why), why.empty() ? "not a readable OBJ file" : why);
    }
    if (!error.empty()) mesh.warnings.push_back(pathText(path) + ": " + firstLine(error));

    size_t vertexCount = attributes.vertices.size() / 3;
    if (vertexCount > kMaxMeshVertices)
        throw FileError(path, 0, std::to_string(vertexCount) + " vertices; a mesh may have at most " +
                                     std::to_string(kMaxMeshVertices) + " (16-bit vertex indices)");

    mesh.vertices.resize(vertexCount);
    for (size_t i = 0; i < vertexCount; ++i)
        for (int k = 0; k < 3; ++k) mesh.vertices[i].position[k] = attributes.vertices[3 * i + k];

    for (const tinyobj::material_t& material : materials) {
        MeshMaterial entry;
        entry.name = material.name;
        std::tie(entry.library, entry.textureLine) = libraries.source(mesh.materials.size());
        fs::path texture;
        if (material.diffuse_texname.empty()) {
        } else if (!pathFromName(material.diffuse_texname, texture)) {
            mesh.warnings.push_back(pathText(path) + ": the texture name of material " + std::to_string(mesh.materials.size() + 1) +
                                    " is not UTF-8; texture left out");
        } else {
            entry.texture = (texture.is_absolute() ? texture : path.parent_path() / texture).lexically_normal();
        }
        mesh.materials.push_back(entry);
    }

    // Polygons become fans of triangles around their first corner.
    for (const tinyobj::shape_t& shape : shapes) {
        const tinyobj::mesh_t& polygons = shape.mesh;
        size_t first = 0;
        for (size_t f = 0; f < polygons.num_face_vertices.size(); first += polygons.num_face_vertices[f], ++f) {
            size_t count = polygons.num_face_vertices[f];
            int material = f < polygons.material_ids.size() ? polygons.material_ids[f] : -1;
            for (size_t k = 1; k + 1 < count; ++k) {
                DevFace face{};
                face.material = material < 0 ? 0u : static_cast<uint32_t>(material);
                const size_t corners[3] = {first, first + k, first + k + 1};
                for (int c = 0; c < 3; ++c) {
                    const tinyobj::index_t& index = polygons.indices[corners[c]];
                    face.vertex[c] = static_cast<uint16_t>(index.vertex_index);
                    float fileV = std::numeric_limits<float>::quiet_NaN();
                    if (index.texcoord_index >= 0) {
                        size_t t = size_t(index.texcoord_index);
                        // The line check and the parser can disagree on what a line holds.
                        if (2 * t + 1 >= attributes.texcoords.size())
                            throw FileError(path, 0, "a face refers to texture coordinate " + std::to_string(t + 1) +
                                                         " of " + std::to_string(attributes.texcoords.size() / 2));
                        face.uv[c][0] = attributes.texcoords[2 * t];
                        fileV = attributes.texcoords[2 * t + 1];
                        if (t < textureVs.size()) face.uv[c][1] = vFromObj(textureVs[t]);
                    }
                    mesh.fileV.push_back(fileV);
                }
                geometricNormal(face, mesh.vertices, face.normal);
                mesh.faces.push_back(face);
            }
        }
    }
    // The loader's "Failed to load material file(s)" repeats what the libraries said.
    eraseLines(warning, "Failed to load material file(s)");
    if (!warning.empty()) mesh.warnings.push_back(pathText(path) + ": " + firstLine(warning));
    return mesh;
}

ObjTexts formatObj(const fs::path& path, const MeshFile& mesh) {
    fs::path library = path;
    library.replace_extension(".mtl");
    bool withMaterials = !mesh.materials.empty();
    ObjTexts texts;

    std::string obj = "# loomhost mesh: positions, then one texture coordinate per distinct UV\n";
    if (withMaterials) obj += "mtllib " + pathText(library.filename()) + "\n";
    for (const DevVertex& vertex : mesh.vertices) {
        obj += "v ";
        appendFloat(obj, vertex.position[0]);
        obj += ' ';
        appendFloat(obj, vertex.position[1]);
        obj += ' ';
        appendFloat(obj, vertex.position[2]);
        obj += '\n';
    }

    // Corners with the same "vt" text share its line; bit patterns decide, so -0 stays -0.
    std::unordered_map<std::string, size_t> uvLines;
    std::vector<size_t> cornerUV(mesh.faces.size() * 3);
    const bool withFileV = mesh.fileV.size() == cornerUV.size();
    std::string line;
    for (size_t f = 0; f < mesh.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            line = "vt ";
            appendFloat(line, mesh.faces[f].uv[c][0]);
            line += ' ';
            line += vForObj(mesh.faces[f].uv[c][1],
                            withFileV ? mesh.fileV[3 * f + c] : std::numeric_limits<float>::quiet_NaN());
            line += '\n';
            auto [entry, added] = uvLines.emplace(line, uvLines.size() + 1);
            if (added) obj += line;
            cornerUV[3 * f + c] = entry->second;
        }

    size_t skipped = 0;
    long currentMaterial = -1;
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const DevFace& face = mesh.faces[f];
        if (face.vertex[0] >= mesh.vertices.size() || face.vertex[1] >= mesh.vertices.size() ||
            face.vertex[2] >= mesh.vertices.size()) {
            obj += "# face " + std::to_string(f) + " left out: vertex index outside the mesh\n";
            ++skipped;
            continue;
        }
        if (withMaterials && face.material < mesh.materials.size() && long(face.material) != currentMaterial) {
            currentMaterial = long(face.material);
            obj += "usemtl " + mesh.materials[face.material].name + "\n";
        }
        obj += "f";
        for (int c = 0; c < 3; ++c)
            obj += ' ' + std::to_string(face.vertex[c] + 1) + '/' + std::to_string(cornerUV[3 * f + c]);
        obj += '\n';
    }
    (void)skipped;

    if (withMaterials) {
        std::string mtl = "# loomhost materials\n";
        for (const MeshMaterial& material : mesh.materials) {
            mtl += "newmtl " + material.name + "\nKd 0.8 0.8 0.8\n";
            if (!material.texture.empty()) {
                std::u8string texture = relativeOrAbsolute(material.texture, path.parent_path()).generic_u8string();
                mtl += "map_Kd " + std::string(texture.begin(), texture.end()) + "\n";
            }
        }
        texts.mtl = std::move(mtl);
        texts.library = library;
    }
    texts.obj = std::move(obj);
    return texts;
}

}  // namespace devhost
