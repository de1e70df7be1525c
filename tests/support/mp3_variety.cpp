#include "mp3_variety.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "file_bytes.h"
#include "pcm_analysis.h"
#include "temp_dir.h"

namespace veldo::testing {
namespace {

namespace fs = std::filesystem;

bool Installed(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; throws with the command when it fails.
void Shell(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// The 16-bit PCM that `command` writes to its standard output.
std::vector<int16_t> PcmOf(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::vector<int16_t> pcm;
    int16_t buffer[32768];
    for (size_t n; (n = fread(buffer, 2, 32768, pipe)) > 0;)
        pcm.insert(pcm.end(), buffer, buffer + n);
    pclose(pipe);
    return pcm;
}

// An ID3v2.3 tag of about `bytes` bytes: one PRIV frame of noise, like a cover picture.
std::string Id3Tag(size_t bytes) {
    std::string payload = std::string("veldo") + '\0';
    std::mt19937 noise(7);
    while (payload.size() < bytes)
        payload += char(noise());
    auto be32 = [](size_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const std::string frame = "PRIV" + be32(payload.size()) + std::string(2, '\0') + payload;
    const size_t n = frame.size(); // the tag's size is "synchsafe": 7 bits a byte
    return std::string("ID3\x03\x00\x00", 6) +
           std::string{char(n >> 21 & 0x7f), char(n >> 14 & 0x7f), char(n >> 7 & 0x7f),
                       char(n & 0x7f)} +
           frame;
}

class Maker {
  public:
    explicit Maker(const fs::path& folder) : folder_(folder) {}

    // One encoded part: a WAV of the tone at `rate`, encoded by `encoder` ("IN" and "OUT" stand
    // for the file names).
    fs::path Part(int rate, int channels, const std::string& encoder, const std::string& out) {
        const fs::path wav =
            folder_ / ("tone-" + std::to_string(rate) + "-" + std::to_string(channels) + ".wav");
        if (!fs::exists(wav))
            Shell("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                  " -b 16 '" + wav.string() + "' synth 3 sine " +
                  std::to_string(int(kVarietyToneHz)) + " gain -6 fade h 0.005 3 0.005");
        const fs::path file = folder_ / out;
        std::string command = encoder;
        command.replace(command.find("IN"), 2, "'" + wav.string() + "'");
        command.replace(command.find("OUT"), 3, "'" + file.string() + "'");
        Shell(command);
        return file;
    }

    // A served file: `prefix` bytes, then the parts; the reference adds up mpg123's decodes.
    VarietyFile File(const std::string& name, const std::vector<std::pair<int, int>>& formats,
                     const std::vector<fs::path>& parts, const std::string& prefix = {}) {
        VarietyFile f;
        f.name = name;
        f.rate = formats[0].first;
        f.channels = formats[0].second;
        f.steadyTone = parts.size() == 1;
        f.bytes = prefix;
        for (size_t i = 0; i < parts.size(); ++i) {
            f.bytes += ReadFileBytes(parts[i]);
            const auto [rate, channels] = formats[i];
            const std::string decode = "mpg123 -q -s '" + parts[i].string() + "'";
            const std::vector<int16_t> pcm = PcmOf(decode);
            const int64_t frames = int64_t(pcm.size()) / channels;
            f.referenceSeconds += double(frames) / rate;
            f.referenceFrames += frames * f.rate / rate;
            // The silence before the first part's sound and after the last part's is not heard.
            const auto [first, last] = AudibleSpan(pcm, channels);
            double audible = double(frames);
            if (i == 0) audible -= double(first);
            if (i + 1 == parts.size()) audible -= double(frames - 1 - last);
            f.referenceAudibleSeconds += audible / rate;
            if (!f.steadyTone) continue;
            const std::string format = " -r " + std::to_string(rate) + " -c " +
                                       std::to_string(channels) + " -e signed -b 16 ";
            const auto resampled =
                PcmOf(decode + " | sox -t raw" + format + "- -t raw - rate -v 44100");
            f.referenceSpuriousDb =
                MeasureTone(AudibleLeftChannel(resampled, channels), 44100, 44100 / 5).spuriousDb;
        }
        std::ofstream(folder_ / name, std::ios::binary) << f.bytes;
        return f;
    }

  private:
    fs::path folder_;
};

Mp3Variety Make(const fs::path& folder) {
    Mp3Variety v;
    v.folder = folder;
    for (const char* tool : {"sox", "lame", "twolame", "ffmpeg", "mpg123"})
        if (!Installed(tool)) v.missingTool = tool;
    if (!v.missingTool.empty()) return v;
    Maker m(folder);
    // A sine leaves LAME's encoding lines between -87 and -96 dB, depending on the settings;
    // these settings leave them below -91 dB, so that the engine's own can show.
    const std::string lame = "lame --quiet -b ", lameUntagged = "lame --quiet -t -b ";
    auto one = [&](const std::string& name, int rate, int channels, const std::string& encoder,
                   const std::string& prefix = {}) {
        v.files.push_back(m.File(name, {{rate, channels}},
                                 {m.Part(rate, channels, encoder, "part-" + name)}, prefix));
    };
    one("ffmpeg-48k.mp3", 48000, 2, "ffmpeg -loglevel error -i IN -c:a libmp3lame -b:a 320k OUT");
    one("lame-32k.mp3", 32000, 2, lame + "128 IN OUT");
    one("lame-24k-mono.mp3", 24000, 1, "lame --quiet -V 0 IN OUT");
    one("lame-22k.mp3", 22050, 2, lame + "96 IN OUT");
    one("sox-16k-mono.mp3", 16000, 1, "sox IN -C -0.2 OUT");
    one("lame-12k-mono-mpeg25.mp3", 12000, 1, lame + "48 IN OUT");
    one("lame-11k-mpeg25.mp3", 11025, 2, lame + "96 -m s IN OUT");
    one("lame-8k-mono-mpeg25.mp3", 8000, 1, lame + "32 IN OUT");
    one("twolame-24k-layer2.mp2", 24000, 2, "twolame --quiet -b 96 IN OUT");
    one("untagged-44k.mp3", 44100, 2, lameUntagged + "128 IN OUT");
    one("big-id3-32k.mp3", 32000, 2, lame + "128 IN OUT", Id3Tag(600 * 1024));
    std::string junk;
    while (junk.size() < 3000)
        junk += "<html>404 Not Found</html>\n";
    one("junk-first-22k.mp3", 22050, 2, lame + "96 IN OUT", junk);
    // 44.1 kHz stereo, then 16 kHz mono in the same stream, both without a header.
    v.files.push_back(m.File("rate-change-44k-16k.mp3", {{44100, 2}, {16000, 1}},
                             {m.Part(44100, 2, lameUntagged + "128 IN OUT", "part-a.mp3"),
                              m.Part(16000, 1, lameUntagged + "64 IN OUT", "part-b.mp3")}));
    one("lame-44k-32kbps.mp3", 44100, 2, lame + "32 --resample 44.1 IN OUT");
    one("ffmpeg-8k-mono.mp3", 8000, 1, "ffmpeg -loglevel error -i IN -c:a libmp3lame -b:a 16k OUT");
    one("twolame-48k-layer2.mp2", 48000, 2, "twolame --quiet -b 192 IN OUT");
    // 44.1 kHz stereo, then 22.05 kHz mono in the same stream, both without a header.
    v.files.push_back(m.File("rate-change-44k-22k-mono.mp3", {{44100, 2}, {22050, 1}},
                             {m.Part(44100, 2, lameUntagged + "128 IN OUT", "part-c.mp3"),
                              m.Part(22050, 1, lameUntagged + "64 IN OUT", "part-d.mp3")}));
    return v;
}

} // namespace

std::vector<int16_t> Mpg123Decode(const std::filesystem::path& file) {
    return PcmOf("mpg123 -q -s '" + file.string() + "'");
}

const VarietyFile& Mp3Variety::Get(const std::string& name) const {
    for (const auto& f : files)
        if (f.name == name) return f;
    throw std::out_of_range("no variety file " + name);
}

const Mp3Variety& TheMp3Variety() {
    static TempDir folder;
    static const Mp3Variety variety = Make(folder.path());
    return variety;
}

} // namespace veldo::testing
