// vs.1.0 / vs.1.1 assembler: one statement per line, `;` and `//` comments, the version
// statement first, then instructions and `def`s. See d3dx_shader_asm.h for the output.
#include "d3dx/d3dx_shader_asm.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace eh::d3dx {

namespace {

struct InstructionInfo {
    const char* name;
    std::uint32_t opcode;
    int sources;
};

// Every instruction and macro of vs.1.0 and vs.1.1; both versions have the same set.
constexpr InstructionInfo kInstructions[] = {
    {"nop", kOpNop, 0},   {"mov", kOpMov, 1},   {"add", kOpAdd, 2},   {"sub", kOpSub, 2},
    {"mad", kOpMad, 3},   {"mul", kOpMul, 2},   {"rcp", kOpRcp, 1},   {"rsq", kOpRsq, 1},
    {"dp3", kOpDp3, 2},   {"dp4", kOpDp4, 2},   {"min", kOpMin, 2},   {"max", kOpMax, 2},
    {"slt", kOpSlt, 2},   {"sge", kOpSge, 2},   {"exp", kOpExp, 1},   {"log", kOpLog, 1},
    {"lit", kOpLit, 1},   {"dst", kOpDst, 2},   {"frc", kOpFrc, 1},   {"m4x4", kOpM4x4, 2},
    {"m4x3", kOpM4x3, 2}, {"m3x4", kOpM3x4, 2}, {"m3x3", kOpM3x3, 2}, {"m3x2", kOpM3x2, 2},
    {"expp", kOpExpp, 1}, {"logp", kOpLogp, 1},
};

// Register file sizes of vs 1.x.
constexpr std::uint32_t kInputCount = 16;
constexpr std::uint32_t kTempCount = 12;
constexpr std::uint32_t kConstCount = 96;
constexpr std::uint32_t kTexCoordCount = 8;
constexpr std::uint32_t kColourCount = 2;

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// Parses a decimal register number of at most 4 digits; false for anything else.
bool parseIndex(std::string_view s, std::uint32_t& value) {
    if (s.empty() || s.size() > 4) return false;
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return true;
}

// Component letter to index: x y z w, or r g b a.
int componentIndex(char c) {
    switch (c) {
        case 'x':
        case 'r':
            return 0;
        case 'y':
        case 'g':
            return 1;
        case 'z':
        case 'b':
            return 2;
        case 'w':
        case 'a':
            return 3;
        default:
            return -1;
    }
}

class Assembler {
  public:
    Assembler(AssembledShader& out, std::string& errors) : out_(out), errors_(errors) {}

    bool run(std::string_view text) {
        out_ = AssembledShader{};
        errors_.clear();
        std::size_t lineNo = 0;
        while (!text.empty()) {
            const std::size_t nl = text.find('\n');
            std::string_view line = text.substr(0, nl);
            text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
            ++lineNo;
            line_ = lineNo;
            statement(stripComment(line));
        }
        if (!sawVersion_ && errors_.empty()) {
            line_ = std::max<std::size_t>(line_, 1);
            error("vs.1.0 or vs.1.1 expected");
        }
        if (!errors_.empty()) {
            out_ = AssembledShader{};
            return false;
        }
        out_.tokens.push_back(kEndToken);
        return true;
    }

  private:
    struct Register {
        std::uint32_t type = 0;
        std::uint32_t number = 0;
        bool relative = false;
    };

    static std::string_view stripComment(std::string_view line) {
        std::size_t cut = line.find(';');
        const std::size_t slashes = line.find("//");
        if (slashes < cut) cut = slashes;
        return trim(line.substr(0, cut));
    }

    void error(const std::string& message) {
        // Enough lines to find the problems; a garbage file must not grow the log unbounded.
        if (++errorCount_ > 32) return;
        errors_ += "line " + std::to_string(line_) + ": " + message + "\n";
    }

    void statement(std::string_view s) {
        if (s.empty()) return;
        std::size_t nameEnd = 0;
        while (nameEnd < s.size() && !std::isspace(static_cast<unsigned char>(s[nameEnd])))
            ++nameEnd;
        const std::string name = lower(s.substr(0, nameEnd));
        std::vector<std::string_view> operands;
        std::string_view rest = trim(s.substr(nameEnd));
        if (!rest.empty()) {
            while (true) {
                const std::size_t comma = rest.find(',');
                operands.push_back(trim(rest.substr(0, comma)));
                if (comma == std::string_view::npos) break;
                rest = rest.substr(comma + 1);
            }
        }

        if (name == "vs.1.0" || name == "vs.1.1") {
            if (sawVersion_) return error("second version statement");
            if (!out_.tokens.empty()) return error("the version statement must come first");
            if (!operands.empty()) return error("unexpected text after '" + name + "'");
            sawVersion_ = true;
            minor_ = name == "vs.1.1" ? 1 : 0;
            out_.tokens.insert(out_.tokens.begin(), minor_ ? kVsVersion11 : kVsVersion10);
            return;
        }
        if (!sawVersion_) return error("vs.1.0 or vs.1.1 expected before '" + name + "'");
        if (name == "def") return definition(operands);

        const InstructionInfo* info = nullptr;
        for (const InstructionInfo& i : kInstructions)
            if (name == i.name) info = &i;
        if (!info) return error("unknown instruction '" + name + "'");
        const std::size_t expected = info->sources == 0 ? 0 : std::size_t(info->sources) + 1;
        if (operands.size() != expected)
            return error("'" + name + "' takes " + std::to_string(expected) + " operands, got " +
                         std::to_string(operands.size()));

        std::vector<std::uint32_t> tokens{info->opcode};
        if (expected > 0) {
            std::uint32_t token = 0;
            if (!destination(operands[0], info->opcode, token)) return;
            tokens.push_back(token);
            for (std::size_t i = 1; i < operands.size(); ++i) {
                if (!source(operands[i], token)) return;
                tokens.push_back(token);
            }
        }
        out_.tokens.insert(out_.tokens.end(), tokens.begin(), tokens.end());
    }

    void definition(const std::vector<std::string_view>& operands) {
        if (operands.size() != 5) return error("'def' takes a constant register and 4 values");
        Register reg;
        std::string_view rest;
        if (!registerName(lower(operands[0]), reg, rest)) return;
        if (reg.type != kRegConst || reg.relative || !rest.empty())
            return error("'def' needs a constant register c#");
        std::uint32_t values[4];
        for (int i = 0; i < 4; ++i) {
            const std::string text(operands[static_cast<std::size_t>(i) + 1]);
            char* end = nullptr;
            const float v = text.empty() ? 0.0f : std::strtof(text.c_str(), &end);
            if (text.empty() || end != text.c_str() + text.size())
                return error("bad number '" + text + "' in 'def'");
            std::memcpy(&values[i], &v, 4);
        }
        out_.tokens.push_back(kOpDef);
        out_.tokens.push_back(kParamBit | registerTypeBits(kRegConst) | reg.number | kWriteMaskAll);
        out_.tokens.insert(out_.tokens.end(), values, values + 4);
        out_.constants.push_back(constDeclarationToken(reg.number, 1));
        out_.constants.insert(out_.constants.end(), values, values + 4);
    }

    // Parses the register name at the start of `s` (lower case); `rest` receives what follows
    // it (".mask" or ".swizzle", or empty).
    bool registerName(const std::string& s, Register& reg, std::string_view& rest) {
        const std::string_view sv(s);
        if (sv.substr(0, 2) == "c[") return relativeConstant(sv, reg, rest);
        struct Named {
            const char* prefix;
            std::uint32_t type;
            std::uint32_t count;  // 0: a fixed register with no number
            std::uint32_t number;
        };
        // Longer prefixes first so "opos" is not read as "o" + garbage.
        static constexpr Named kNames[] = {
            {"opos", kRegRastOut, 0, kRastPosition},  {"ofog", kRegRastOut, 0, kRastFog},
            {"opts", kRegRastOut, 0, kRastPointSize}, {"od", kRegAttrOut, kColourCount, 0},
            {"ot", kRegTexCrdOut, kTexCoordCount, 0}, {"a", kRegAddress, 1, 0},
            {"v", kRegInput, kInputCount, 0},         {"r", kRegTemp, kTempCount, 0},
            {"c", kRegConst, kConstCount, 0},
        };
        const std::size_t dot = sv.find('.');
        const std::string_view head = sv.substr(0, dot);
        rest = dot == std::string_view::npos ? std::string_view{} : sv.substr(dot);
        for (const Named& n : kNames) {
            const std::size_t len = std::strlen(n.prefix);
            if (head.substr(0, len) != n.prefix) continue;
            reg.type = n.type;
            if (n.count == 0) {
                if (head.size() != len) break;
                reg.number = n.number;
            } else {
                std::uint32_t index = 0;
                if (!parseIndex(head.substr(len), index)) break;
                if (index >= n.count) {
                    error("register '" + std::string(head) + "' does not exist");
                    return false;
                }
                reg.number = index;
            }
            if (reg.type == kRegAddress && minor_ == 0) {
                error("a0 needs vs.1.1");
                return false;
            }
            return true;
        }
        error("unknown register '" + std::string(head) + "'");
        return false;
    }

    // c[n], c[a0.x], c[a0.x + n], c[n + a0.x]
    bool relativeConstant(std::string_view s, Register& reg, std::string_view& rest) {
        const std::size_t close = s.find(']');
        if (close == std::string_view::npos) return error("missing ']'"), false;
        std::string_view inside = s.substr(2, close - 2);
        rest = s.substr(close + 1);
        reg.type = kRegConst;
        bool haveOffset = false;
        while (true) {
            const std::size_t plus = inside.find('+');
            const std::string_view term = trim(inside.substr(0, plus));
            std::uint32_t value = 0;
            if (term == "a0.x" && !reg.relative) {
                if (minor_ == 0) return error("a0 needs vs.1.1"), false;
                reg.relative = true;
            } else if (!haveOffset && parseIndex(term, value)) {
                haveOffset = true;
                reg.number = value;
            } else {
                return error("bad constant address '" + std::string(s.substr(0, close + 1)) + "'"),
                       false;
            }
            if (plus == std::string_view::npos) break;
            inside = inside.substr(plus + 1);
        }
        if (reg.number >= kConstCount)
            return error("constant offset " + std::to_string(reg.number) + " out of range"), false;
        return true;
    }

    bool destination(std::string_view operand, std::uint32_t opcode, std::uint32_t& token) {
        const std::string s = lower(operand);
        if (s.empty()) return error("missing destination"), false;
        Register reg;
        std::string_view rest;
        if (!registerName(s, reg, rest)) return false;
        if (reg.relative || reg.type == kRegInput || reg.type == kRegConst)
            return error("'" + s + "' cannot be written"), false;
        if (reg.type == kRegAddress && opcode != kOpMov)
            return error("a0 can only be written by mov"), false;
        std::uint32_t mask = kWriteMaskAll;
        if (!rest.empty()) {
            mask = 0;
            int last = -1;
            for (char c : rest.substr(1)) {
                const int i = componentIndex(c);
                if (i <= last) return error("bad write mask '" + std::string(rest) + "'"), false;
                last = i;
                mask |= 1u << (16 + i);
            }
            if (mask == 0) return error("empty write mask"), false;
        }
        if (reg.type == kRegAddress && mask != (1u << 16))
            return error("a0 must be written as a0.x"), false;
        token = kParamBit | registerTypeBits(reg.type) | reg.number | mask;
        return true;
    }

    bool source(std::string_view operand, std::uint32_t& token) {
        std::uint32_t modifier = 0;
        if (!operand.empty() && operand.front() == '-') {
            modifier = kNegate;
            operand = trim(operand.substr(1));
        }
        const std::string s = lower(operand);
        if (s.empty()) return error("missing source operand"), false;
        Register reg;
        std::string_view rest;
        if (!registerName(s, reg, rest)) return false;
        if (reg.type != kRegTemp && reg.type != kRegInput && reg.type != kRegConst)
            return error("'" + s + "' cannot be read"), false;
        std::uint32_t swizzle = kNoSwizzle;
        if (!rest.empty()) {
            const std::string_view letters = rest.substr(1);
            if (letters.empty() || letters.size() > 4)
                return error("bad swizzle '" + std::string(rest) + "'"), false;
            swizzle = 0;
            // Fewer than four letters repeat the last one.
            for (std::size_t i = 0; i < 4; ++i) {
                const int c = componentIndex(letters[std::min(i, letters.size() - 1)]);
                if (c < 0) return error("bad swizzle '" + std::string(rest) + "'"), false;
                swizzle |= static_cast<std::uint32_t>(c) << (16 + 2 * i);
            }
        }
        token = kParamBit | registerTypeBits(reg.type) | reg.number | swizzle | modifier |
                (reg.relative ? kRelativeBit : 0u);
        return true;
    }

    AssembledShader& out_;
    std::string& errors_;
    std::size_t line_ = 0;
    int errorCount_ = 0;
    bool sawVersion_ = false;
    int minor_ = 0;
};

}  // namespace

bool assembleVertexShader(std::string_view text, AssembledShader& out, std::string& errors) {
    return Assembler(out, errors).run(text);
}

}  // namespace eh::d3dx
