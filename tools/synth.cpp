// synth: the game's small additive synthesiser. It renders a score or a bell description into a
// 16-bit stereo 44 100 Hz WAV file, which tools/make-assets.sh then encodes with oggenc.
//
//   synth score SCORE OUT.wav   a piece of music (format described in assets/src/sound/*.score)
//   synth bell PARAMS OUT.wav   one struck bell (format described in assets/src/sound/*.bell)
//
// Every tone is a sum of sine partials with raised-cosine attacks and releases, so no note
// starts or stops with a click; noise comes from a fixed-seed generator, so the same source
// always gives the same samples. The result is scaled so that its loudest sample sits at the
// peak level the source asks for.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Note lengths are counted in ticks: a whole note is 96, so dotted sixteenths are still whole.
constexpr int kWholeTicks = 96;

struct Wave {
    std::vector<float> left;
    std::vector<float> right;

    void Reserve(size_t frames) {
        if (left.size() < frames) {
            left.resize(frames, 0.0f);
            right.resize(frames, 0.0f);
        }
    }
};

// One sine component of an instrument: frequency ratio to the note, level, and the time in
// seconds over which it falls to 1/e (0 keeps it steady while the note is held).
struct Partial {
    double ratio;
    double level;
    double decay;
};

struct Instrument {
    double attack;   // seconds of raised-cosine onset
    double release;  // seconds of raised-cosine fade after the note ends
    double gate;     // share of the written length that the note is held
    double detune;   // cents: the left channel is raised and the right lowered by this much
    std::vector<Partial> partials;
};

// The instruments a score can name.
const std::map<std::string, Instrument>& Instruments() {
    static const std::map<std::string, Instrument> table = {
        // A soft electric piano for the tune: bright at the strike, mellow as it decays.
        {"piano",
         {0.004,
          0.08,
          0.92,
          0.0,
          {{1, 1.0, 1.4}, {2, 0.45, 0.8}, {3, 0.2, 0.5}, {4, 0.1, 0.3}, {5, 0.05, 0.2}}}},
        // A glockenspiel an octave above the tune: the inharmonic overtones of a struck bar.
        {"glock", {0.002, 0.1, 1.0, 0.0, {{1, 1.0, 0.6}, {2.756, 0.25, 0.25}, {5.404, 0.08, 0.1}}}},
        // Held chords: a gently detuned, softened sawtooth.
        {"pad",
         {0.08,
          0.2,
          0.98,
          4.0,
          {{1, 1.0, 0}, {2, 0.35, 0}, {3, 0.19, 0}, {4, 0.12, 0}, {5, 0.08, 0}, {6, 0.05, 0}}}},
        // Short off-beat chords.
        {"keys", {0.003, 0.06, 0.6, 0.0, {{1, 1.0, 0.5}, {2, 0.3, 0.3}, {3, 0.12, 0.2}}}},
        // A plucked bass.
        {"bass", {0.005, 0.07, 0.9, 0.0, {{1, 1.0, 0.9}, {2, 0.5, 0.5}, {3, 0.15, 0.3}}}},
    };
    return table;
}

// A small fixed-seed generator for the sleigh bells' noise and timing.
class Noise {
public:
    double Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 4294967295.0 * 2.0 - 1.0;
    }

private:
    uint32_t state_ = 0x12251843u;
};

double RaisedCosine(double x) {
    return 0.5 - 0.5 * std::cos(std::numbers::pi * x);
}

void PanGains(double pan, double& left, double& right) {
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * std::numbers::pi / 4.0;
    left = std::cos(angle);
    right = std::sin(angle);
}

void RenderTone(Wave& wave, const Instrument& inst, double start, double length, double freq,
                double gain, double pan) {
    const double held = length * inst.gate;
    const double total = held + inst.release;
    const size_t first = static_cast<size_t>(std::lround(start * kRate));
    const size_t count = static_cast<size_t>(std::lround(total * kRate));
    wave.Reserve(first + count);
    double panLeft = 0;
    double panRight = 0;
    PanGains(pan, panLeft, panRight);
    const double up = std::pow(2.0, inst.detune / 1200.0);

    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double env = t < inst.attack ? RaisedCosine(t / inst.attack) : 1.0;
        if (t > held) env *= 1.0 - RaisedCosine((t - held) / inst.release);
        double left = 0;
        double right = 0;
        for (const Partial& p : inst.partials) {
            const double f = freq * p.ratio;
            if (f * up > kRate * 0.45) continue;
            const double level = p.level * (p.decay > 0 ? std::exp(-t / p.decay) : 1.0);
            left += level * std::sin(kTwoPi * f * up * t);
            right += level * std::sin(kTwoPi * f / up * t + 0.7);
        }
        wave.left[first + i] += static_cast<float>(left * env * gain * panLeft);
        wave.right[first + i] += static_cast<float>(right * env * gain * panRight);
    }
}

// One shake of sleigh bells: three quick jingles of band-passed noise, a little apart.
void RenderSleigh(Wave& wave, Noise& noise, double start, double gain, double pan) {
    static const double kOffsets[] = {0.0, 0.011, 0.025};
    static const double kLevels[] = {1.0, 0.6, 0.35};
    constexpr double kLength = 0.14;
    constexpr double kFade = 0.02;
    for (int j = 0; j < 3; ++j) {
        const double at = start + kOffsets[j] + 0.003 * (noise.Next() + 1.0);
        double panLeft = 0;
        double panRight = 0;
        PanGains(pan + 0.25 * noise.Next(), panLeft, panRight);
        const size_t first = static_cast<size_t>(std::lround(at * kRate));
        const size_t count = static_cast<size_t>(kLength * kRate);
        wave.Reserve(first + count);
        // Two state-variable band-pass filters, one per ring of the bells.
        double low1 = 0, band1 = 0, low2 = 0, band2 = 0;
        const double f1 = 2.0 * std::sin(std::numbers::pi * 6800.0 / kRate);
        const double f2 = 2.0 * std::sin(std::numbers::pi * 9400.0 / kRate);
        const double damp = 0.12;
        for (size_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double in = noise.Next();
            low1 += f1 * band1;
            band1 += f1 * (in - low1 - damp * band1);
            low2 += f2 * band2;
            band2 += f2 * (in - low2 - damp * band2);
            double env = t < 0.001 ? RaisedCosine(t / 0.001) : std::exp(-(t - 0.001) / 0.028);
            if (t > kLength - kFade) env *= 1.0 - RaisedCosine((t - (kLength - kFade)) / kFade);
            const double s = (band1 + 0.6 * band2) * 0.1 * env * gain * kLevels[j];
            wave.left[first + i] += static_cast<float>(s * panLeft);
            wave.right[first + i] += static_cast<float>(s * panRight);
        }
    }
}

// Scales the wave so that its largest sample is at peakDb below full scale, then fades it in
// over its first fadeIn seconds and out over its last fadeOut seconds.
void Finish(Wave& wave, double peakDb, double fadeIn, double fadeOut) {
    float peak = 0;
    for (size_t i = 0; i < wave.left.size(); ++i) {
        peak = std::max({peak, std::fabs(wave.left[i]), std::fabs(wave.right[i])});
    }
    if (peak == 0) throw std::runtime_error("the result is silent");
    const double scale = std::pow(10.0, peakDb / 20.0) / peak;
    const size_t frames = wave.left.size();
    const size_t inFrames = static_cast<size_t>(fadeIn * kRate);
    const size_t outFrames = static_cast<size_t>(fadeOut * kRate);
    for (size_t i = 0; i < frames; ++i) {
        double g = scale;
        if (i < inFrames) g *= RaisedCosine(static_cast<double>(i) / inFrames);
        const size_t fromEnd = frames - 1 - i;
        if (fromEnd < outFrames) g *= RaisedCosine(static_cast<double>(fromEnd) / outFrames);
        wave.left[i] = static_cast<float>(wave.left[i] * g);
        wave.right[i] = static_cast<float>(wave.right[i] * g);
    }
}

void WriteWav(const std::string& path, const Wave& wave) {
    std::ofstream out(path, std::ios::binary);
    if (!out) throw std::runtime_error("cannot write " + path);
    auto put16 = [&](uint16_t v) {
        const char b[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
        out.write(b, 2);
    };
    auto put32 = [&](uint32_t v) {
        put16(static_cast<uint16_t>(v & 0xffff));
        put16(static_cast<uint16_t>(v >> 16));
    };
    const uint32_t dataBytes = static_cast<uint32_t>(wave.left.size() * 4);
    out.write("RIFF", 4);
    put32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);  // PCM
    put16(2);
    put32(kRate);
    put32(kRate * 4);
    put16(4);
    put16(16);
    out.write("data", 4);
    put32(dataBytes);
    for (size_t i = 0; i < wave.left.size(); ++i) {
        for (float s : {wave.left[i], wave.right[i]}) {
            const long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
            put16(static_cast<uint16_t>(static_cast<int16_t>(v)));
        }
    }
}

// Splits a line into words, up to a word that starts with "#" (a comment; "F#4" is a pitch).
std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w && w[0] != '#';)
        words.push_back(w);
    return words;
}

[[noreturn]] void Fail(int lineNo, const std::string& what) {
    throw std::runtime_error("line " + std::to_string(lineNo) + ": " + what);
}

// "C4" = middle C; letters A-G, an optional '#' or 'b', an octave digit.
double PitchToHz(const std::string& name, int lineNo) {
    static const std::map<char, int> kSteps = {{'C', -9}, {'D', -7}, {'E', -5}, {'F', -4},
                                               {'G', -2}, {'A', 0},  {'B', 2}};
    if (name.size() < 2 || !kSteps.count(name[0])) Fail(lineNo, "bad pitch " + name);
    int semis = kSteps.at(name[0]);
    size_t pos = 1;
    if (name[pos] == '#')
        ++semis, ++pos;
    else if (name[pos] == 'b')
        --semis, ++pos;
    if (pos + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[pos]))) {
        Fail(lineNo, "bad pitch " + name);
    }
    semis += (name[pos] - '4') * 12;
    return 440.0 * std::pow(2.0, semis / 12.0);
}

// "/4" = a quarter note, "/4." a dotted quarter.
int DurationTicks(const std::string& text, int lineNo) {
    const bool dotted = !text.empty() && text.back() == '.';
    const std::string number = text.substr(0, text.size() - (dotted ? 1 : 0));
    int division = 0;
    try {
        division = std::stoi(number);
    } catch (const std::exception&) {
        Fail(lineNo, "bad length /" + text);
    }
    if (division <= 0 || kWholeTicks % division != 0) Fail(lineNo, "bad length /" + text);
    const int ticks = kWholeTicks / division;
    if (dotted && ticks % 2 != 0) Fail(lineNo, "bad length /" + text);
    return dotted ? ticks * 3 / 2 : ticks;
}

struct Event {
    int tick;
    int length;
    std::vector<double> pitches;  // empty for a rest or a sleigh shake
    double accent;                // sleigh shakes: 1 for "X", 0.6 for "x"; 0 for a rest
};

struct Voice {
    std::string instrument;
    double gain = 1;
    double pan = 0;
};

struct Score {
    double tempo = 120;
    int barTicks = kWholeTicks;
    double peakDb = -3;
    double tail = 2;
    std::map<std::string, Voice> voices;
    std::vector<std::string> voiceOrder;
    std::map<std::string, std::map<std::string, std::vector<Event>>> parts;
    std::map<std::string, int> partTicks;
    std::vector<std::string> song;
};

// Reads the tokens of one voice line into events, checking that every bar is full.
void ParseNotes(const std::vector<std::string>& tokens, size_t from, int barTicks, int lineNo,
                std::vector<Event>& events, int& tick) {
    int barStart = tick;
    auto closeBar = [&]() {
        if (tick - barStart != barTicks) {
            Fail(lineNo, "a bar holds " + std::to_string(tick - barStart) + " ticks, not " +
                             std::to_string(barTicks));
        }
        barStart = tick;
    };
    for (size_t i = from; i < tokens.size(); ++i) {
        const std::string& tok = tokens[i];
        if (tok == "|") {
            closeBar();
            continue;
        }
        const size_t slash = tok.rfind('/');
        if (slash == std::string::npos) Fail(lineNo, "note without length: " + tok);
        const std::string head = tok.substr(0, slash);
        Event ev{tick, DurationTicks(tok.substr(slash + 1), lineNo), {}, 0};
        if (head == "X" || head == "x") {
            ev.accent = head == "X" ? 1.0 : 0.6;
        } else if (head.size() > 2 && head.front() == '[' && head.back() == ']') {
            std::istringstream chord(head.substr(1, head.size() - 2));
            for (std::string p; std::getline(chord, p, ',');) {
                ev.pitches.push_back(PitchToHz(p, lineNo));
            }
        } else if (head != "r") {
            ev.pitches.push_back(PitchToHz(head, lineNo));
        }
        tick += ev.length;
        events.push_back(ev);
    }
    if (tick != barStart) closeBar();
}

Score ReadScore(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    Score score;
    std::string part;
    std::map<std::string, int> voiceTicks;
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        const std::vector<std::string> w = Words(line);
        if (w.empty()) continue;
        if (w[0] == "tempo" && w.size() == 2) {
            score.tempo = std::stod(w[1]);
        } else if (w[0] == "meter" && w.size() == 2) {
            score.barTicks = std::stoi(w[1]) * kWholeTicks / 4;
        } else if (w[0] == "peak" && w.size() == 2) {
            score.peakDb = std::stod(w[1]);
        } else if (w[0] == "tail" && w.size() == 2) {
            score.tail = std::stod(w[1]);
        } else if (w[0] == "voice" && w.size() == 7 && w[3] == "gain" && w[5] == "pan") {
            if (w[2] != "sleigh" && !Instruments().count(w[2])) {
                Fail(lineNo, "unknown instrument " + w[2]);
            }
            score.voices[w[1]] = Voice{w[2], std::stod(w[4]), std::stod(w[6])};
            score.voiceOrder.push_back(w[1]);
        } else if (w[0] == "part" && w.size() == 2) {
            part = w[1];
            voiceTicks.clear();
        } else if (w[0] == "end" && w.size() == 1) {
            int length = -1;
            for (const auto& [name, ticks] : voiceTicks) {
                if (length >= 0 && ticks != length) Fail(lineNo, "voices of " + part + " differ");
                length = ticks;
            }
            score.partTicks[part] = std::max(length, 0);
            part.clear();
        } else if (w[0] == "song") {
            score.song.assign(w.begin() + 1, w.end());
        } else if (w[0].back() == ':' && !part.empty()) {
            const std::string voice = w[0].substr(0, w[0].size() - 1);
            if (!score.voices.count(voice)) Fail(lineNo, "unknown voice " + voice);
            ParseNotes(w, 1, score.barTicks, lineNo, score.parts[part][voice], voiceTicks[voice]);
        } else {
            Fail(lineNo, "cannot read: " + line);
        }
    }
    for (const std::string& name : score.song) {
        if (!score.partTicks.count(name)) throw std::runtime_error("song names unknown " + name);
    }
    return score;
}

Wave RenderScore(const Score& score) {
    Wave wave;
    Noise noise;
    const double tickSeconds = 60.0 / (score.tempo * kWholeTicks / 4);
    int partStart = 0;
    for (const std::string& name : score.song) {
        const auto& voices = score.parts.at(name);
        for (const std::string& voiceName : score.voiceOrder) {
            const auto found = voices.find(voiceName);
            if (found == voices.end()) continue;
            const Voice& voice = score.voices.at(voiceName);
            for (const Event& ev : found->second) {
                const double start = (partStart + ev.tick) * tickSeconds;
                if (voice.instrument == "sleigh") {
                    if (ev.accent > 0)
                        RenderSleigh(wave, noise, start, voice.gain * ev.accent, voice.pan);
                    continue;
                }
                const Instrument& inst = Instruments().at(voice.instrument);
                for (double hz : ev.pitches) {
                    RenderTone(wave, inst, start, ev.length * tickSeconds, hz, voice.gain,
                               voice.pan);
                }
            }
        }
        partStart += score.partTicks.at(name);
    }
    wave.Reserve(static_cast<size_t>((partStart * tickSeconds + score.tail) * kRate));
    Finish(wave, score.peakDb, 0.005, score.tail);
    return wave;
}

struct BellPartial {
    double ratio;
    double level;
    double decay;
    double pan;
};

Wave RenderBell(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    double length = 0.6, fundamental = 1000, attack = 0.002, fade = 0.08, peakDb = -3;
    std::vector<BellPartial> partials;
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        const std::vector<std::string> w = Words(line);
        if (w.empty()) continue;
        if (w[0] == "partial" && w.size() == 5) {
            partials.push_back(
                {std::stod(w[1]), std::stod(w[2]), std::stod(w[3]), std::stod(w[4])});
        } else if (w.size() != 2) {
            Fail(lineNo, "cannot read: " + line);
        } else if (w[0] == "length") {
            length = std::stod(w[1]);
        } else if (w[0] == "fundamental") {
            fundamental = std::stod(w[1]);
        } else if (w[0] == "attack") {
            attack = std::stod(w[1]);
        } else if (w[0] == "fade") {
            fade = std::stod(w[1]);
        } else if (w[0] == "peak") {
            peakDb = std::stod(w[1]);
        } else {
            Fail(lineNo, "cannot read: " + line);
        }
    }
    if (partials.empty()) throw std::runtime_error("a bell needs partials");

    Wave wave;
    const size_t frames = static_cast<size_t>(length * kRate);
    wave.Reserve(frames);
    for (const BellPartial& p : partials) {
        double panLeft = 0;
        double panRight = 0;
        PanGains(p.pan, panLeft, panRight);
        const double f = fundamental * p.ratio;
        for (size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double s = p.level * std::exp(-t / p.decay) * std::sin(kTwoPi * f * t);
            wave.left[i] += static_cast<float>(s * panLeft);
            wave.right[i] += static_cast<float>(s * panRight);
        }
    }
    Finish(wave, peakDb, attack, fade);
    return wave;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 4 ? argv[1] : "";
    if (mode != "score" && mode != "bell") {
        std::fprintf(stderr, "usage: synth score|bell SOURCE OUT.wav\n");
        return 2;
    }
    try {
        const Wave wave = mode == "score" ? RenderScore(ReadScore(argv[2])) : RenderBell(argv[2]);
        WriteWav(argv[3], wave);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "synth: %s: %s\n", argv[2], e.what());
        return 1;
    }
    return 0;
}
