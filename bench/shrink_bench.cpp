// Shrinking benchmark: how many large photos per second the shrink turns into 300 x 300
// pictures at quality 90, how much memory it takes, and how close the result comes to a
// full-resolution Lanczos reduction. bench/shrink_bench.sh runs every part and puts the
// same photos through vipsthumbnail for comparison.
//
//   bench_shrink generate DIR [COUNT]     COUNT 4000 x 3000 photos and one 6000 x 4000
//   bench_shrink shrink OUTDIR FILE...    shrink files, report speed and peak memory
//   bench_shrink measure -- COMMAND...    run a command, report its time and peak memory
//   bench_shrink ssim REFERENCE PICTURE   SSIM (luma) of a JPEG or PPM against a reference
//   bench_shrink [benchmark flags]        Google Benchmark over $PIXTRAIL_BENCH_DIR/*.jpg

#include "imaging/shrink.hpp"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#ifdef _WIN32 // the Windows build, run under Wine beside the Linux one, only shrinks
#include <windows.h>

#include <psapi.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kBox = 300;

long peakRssKib() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// --- Photographic test pictures --------------------------------------------------------

struct Rng {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float unit() { return static_cast<float>(next() >> 40) / static_cast<float>(1 << 24); }
};

// One octave of smooth value noise: a random lattice, smoothly interpolated.
class Octave {
public:
    Octave(int width, int height, int cell, Rng& rng)
        : m_cell(cell), m_cols(width / cell + 2), m_rows(height / cell + 2),
          m_values(static_cast<std::size_t>(m_cols) * static_cast<std::size_t>(m_rows)) {
        for (float& v : m_values)
            v = rng.unit() * 2 - 1;
    }
    float at(int x, int y) const {
        const int cx = x / m_cell, cy = y / m_cell;
        const float fx = smooth(static_cast<float>(x % m_cell) / static_cast<float>(m_cell));
        const float fy = smooth(static_cast<float>(y % m_cell) / static_cast<float>(m_cell));
        const float a = lattice(cx, cy) + (lattice(cx + 1, cy) - lattice(cx, cy)) * fx;
        const float b = lattice(cx, cy + 1) + (lattice(cx + 1, cy + 1) - lattice(cx, cy + 1)) * fx;
        return a + (b - a) * fy;
    }

private:
    static float smooth(float t) { return t * t * (3 - 2 * t); }
    float lattice(int cx, int cy) const {
        return m_values[static_cast<std::size_t>(cy) * static_cast<std::size_t>(m_cols) +
                        static_cast<std::size_t>(cx)];
    }
    int m_cell, m_cols, m_rows;
    std::vector<float> m_values;
};

// A picture with the statistics that make photos expensive to decode: detail at every
// scale falling off as in natural scenes, objects with hard edges, colour, sensor grain.
std::vector<std::uint8_t> photo(int width, int height, std::uint64_t seed) {
    Rng rng{seed};
    std::vector<Octave> light;
    std::vector<float> amplitude;
    float a = 70;
    for (int cell = 512; cell >= 2; cell /= 2, a *= 0.62f) {
        light.emplace_back(width, height, cell, rng);
        amplitude.push_back(a);
    }
    const Octave tintA(width, height, 384, rng), tintB(width, height, 256, rng);
    const Octave tintC(width, height, 48, rng);
    // Textured regions (foliage, gravel, fabric) carry most of a photo's fine detail.
    const Octave texture(width, height, 160, rng);
    const Octave fine1(width, height, 2, rng), fine2(width, height, 3, rng);
    const Octave fine3(width, height, 5, rng);

    struct Blob {
        float cx, cy, rx, ry, db, dg, dr;
    };
    std::vector<Blob> blobs(260);
    for (Blob& b : blobs) {
        b = {rng.unit() * static_cast<float>(width),
             rng.unit() * static_cast<float>(height),
             8 + rng.unit() * 260,
             8 + rng.unit() * 260,
             (rng.unit() - 0.5f) * 90,
             (rng.unit() - 0.5f) * 90,
             (rng.unit() - 0.5f) * 90};
    }

    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) *
                                  static_cast<std::size_t>(height) * 3);
    std::vector<float> extra(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        std::fill(extra.begin(), extra.end(), 0.f);
        for (const Blob& b : blobs) {
            const float dy = (static_cast<float>(y) - b.cy) / b.ry;
            if (dy * dy >= 1)
                continue;
            const float half = b.rx * std::sqrt(1 - dy * dy);
            const int x0 = std::max(0, static_cast<int>(b.cx - half));
            const int x1 = std::min(width, static_cast<int>(b.cx + half));
            for (int x = x0; x < x1; ++x) {
                float* e = &extra[static_cast<std::size_t>(x) * 3];
                e[0] += b.dr;
                e[1] += b.dg;
                e[2] += b.db;
            }
        }
        std::uint8_t* out = &rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3];
        for (int x = 0; x < width; ++x) {
            float l = 120;
            for (std::size_t o = 0; o < light.size(); ++o)
                l += amplitude[o] * light[o].at(x, y);
            const float ta = 35 * tintA.at(x, y) + 12 * tintC.at(x, y);
            const float tb = 30 * tintB.at(x, y);
            const float strength = std::clamp(texture.at(x, y) * 1.6f + 0.3f, 0.f, 1.f);
            l += strength * (22 * fine1.at(x, y) + 16 * fine2.at(x, y) + 12 * fine3.at(x, y));
            const float grain = (rng.unit() - 0.5f) * 7;
            const float* e = &extra[static_cast<std::size_t>(x) * 3];
            const float r = l + ta + e[0] + grain;
            const float g = l - 0.4f * ta + 0.3f * tb + e[1] + grain;
            const float b = l - 0.6f * tb - 0.2f * ta + e[2] + grain;
            out[3 * x] = static_cast<std::uint8_t>(std::clamp(r, 0.f, 255.f));
            out[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0.f, 255.f));
            out[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(b, 0.f, 255.f));
        }
    }
    return rgb;
}

// Baseline 4:2:0 at quality 92, as phone cameras write them.
std::string phoneJpeg(const std::vector<std::uint8_t>& rgb, int width, int height) {
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &buffer, &size, TJSAMP_420, 92,
                    0) != 0) {
        std::cerr << "encode failed: " << tjGetErrorStr2(handle) << "\n";
        std::exit(1);
    }
    std::string out(reinterpret_cast<char*>(buffer), size);
    tjFree(buffer);
    tjDestroy(handle);
    return out;
}

int generate(const fs::path& dir, int count) {
    fs::create_directories(dir);
    auto make = [&](const std::string& name, int width, int height, std::uint64_t seed) {
        const fs::path path = dir / name;
        if (fs::exists(path))
            return;
        writeAll(path, phoneJpeg(photo(width, height, seed), width, height));
        std::cout << "  " << name << " " << fs::file_size(path) / 1024 << " KiB\n";
    };
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo-%02d.jpg", i);
        make(name, 4000, 3000, 1000 + static_cast<std::uint64_t>(i));
    }
    make("big-24mp.jpg", 6000, 4000, 99);
    return 0;
}

// --- Shrinking a batch ---------------------------------------------------------------

int shrinkFiles(const fs::path& outDir, const std::vector<std::string>& files) {
    fs::create_directories(outDir);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
        const std::string jpeg = readAll(file);
        const auto shrunk = pixtrail::imaging::shrinkJpegBytes(jpeg, kBox, kBox);
        writeAll(outDir / fs::path(file).filename(), shrunk ? *shrunk : jpeg);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("pictures %zu seconds %.3f pictures_per_second %.2f peak_rss_kib %ld\n",
                files.size(), seconds, static_cast<double>(files.size()) / seconds, peakRssKib());
    return 0;
}

#ifndef _WIN32
int measure(char** command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(command[0], command);
        std::perror(command[0]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) {
        std::perror("measure");
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("seconds %.3f peak_rss_kib %ld exit %d\n", seconds, usage.ru_maxrss,
                WIFEXITED(status) ? WEXITSTATUS(status) : 128);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
#endif

// --- SSIM ------------------------------------------------------------------------------

struct Luma {
    int width = 0, height = 0;
    std::vector<double> y;
};

Luma lumaOf(const std::vector<std::uint8_t>& rgb, int width, int height) {
    Luma l{width, height, std::vector<double>(static_cast<std::size_t>(width) * height)};
    for (std::size_t i = 0; i < l.y.size(); ++i)
        l.y[i] = 0.299 * rgb[3 * i] + 0.587 * rgb[3 * i + 1] + 0.114 * rgb[3 * i + 2];
    return l;
}

Luma readPicture(const std::string& path) {
    const std::string bytes = readAll(path);
    if (bytes.size() > 2 && bytes[0] == 'P' && bytes[1] == '6') {
        std::istringstream in(bytes.substr(2));
        auto number = [&in] {
            // Header fields are separated by white space and may be interleaved with
            // "#" comment lines.
            while (std::isspace(in.peek()) || in.peek() == '#') {
                if (in.get() == '#')
                    in.ignore(1 << 20, '\n');
            }
            int value = 0;
            in >> value;
            return value;
        };
        const int width = number(), height = number();
        number(); // maximum value, 255
        in.get();
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
        in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
        return lumaOf(rgb, width, height);
    }
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, sub = 0, space = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (tjDecompressHeader3(handle, data, bytes.size(), &width, &height, &sub, &space) != 0) {
        std::cerr << path << ": not a picture\n";
        std::exit(1);
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    tjDecompress2(handle, data, bytes.size(), rgb.data(), width, 0, height, TJPF_RGB, 0);
    tjDestroy(handle);
    return lumaOf(rgb, width, height);
}

// Mean SSIM with the usual 11 x 11 Gaussian window (sigma 1.5), K1 0.01, K2 0.03.
double ssim(const Luma& a, const Luma& b) {
    constexpr int kRadius = 5;
    double kernel[2 * kRadius + 1];
    double sum = 0;
    for (int i = -kRadius; i <= kRadius; ++i)
        sum += kernel[i + kRadius] = std::exp(-(i * i) / (2 * 1.5 * 1.5));
    for (double& k : kernel)
        k /= sum;
    const int w = a.width, h = a.height;
    auto blur = [&](const std::vector<double>& in) {
        std::vector<double> across(in.size()), out(in.size());
        for (int y = 0; y < h; ++y)
            for (int x = kRadius; x < w - kRadius; ++x) {
                double s = 0;
                for (int k = -kRadius; k <= kRadius; ++k)
                    s += kernel[k + kRadius] * in[static_cast<std::size_t>(y) * w + x + k];
                across[static_cast<std::size_t>(y) * w + x] = s;
            }
        for (int y = kRadius; y < h - kRadius; ++y)
            for (int x = kRadius; x < w - kRadius; ++x) {
                double s = 0;
                for (int k = -kRadius; k <= kRadius; ++k)
                    s += kernel[k + kRadius] * across[static_cast<std::size_t>(y + k) * w + x];
                out[static_cast<std::size_t>(y) * w + x] = s;
            }
        return out;
    };
    std::vector<double> aa(a.y.size()), bb(a.y.size()), ab(a.y.size());
    for (std::size_t i = 0; i < a.y.size(); ++i) {
        aa[i] = a.y[i] * a.y[i];
        bb[i] = b.y[i] * b.y[i];
        ab[i] = a.y[i] * b.y[i];
    }
    const auto ma = blur(a.y), mb = blur(b.y), saa = blur(aa), sbb = blur(bb), sab = blur(ab);
    const double c1 = std::pow(0.01 * 255, 2), c2 = std::pow(0.03 * 255, 2);
    double total = 0;
    long n = 0;
    for (int y = kRadius; y < h - kRadius; ++y)
        for (int x = kRadius; x < w - kRadius; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            const double va = saa[i] - ma[i] * ma[i], vb = sbb[i] - mb[i] * mb[i];
            const double cov = sab[i] - ma[i] * mb[i];
            total += ((2 * ma[i] * mb[i] + c1) * (2 * cov + c2)) /
                     ((ma[i] * ma[i] + mb[i] * mb[i] + c1) * (va + vb + c2));
            ++n;
        }
    return total / static_cast<double>(n);
}

int compare(const std::string& reference, const std::string& picture) {
    const Luma a = readPicture(reference), b = readPicture(picture);
    if (a.width != b.width || a.height != b.height) {
        std::cerr << picture << " is " << b.width << "x" << b.height << ", the reference "
                  << a.width << "x" << a.height << "\n";
        return 1;
    }
    std::printf("%.5f\n", ssim(a, b));
    return 0;
}

// --- Google Benchmark ----------------------------------------------------------------

std::vector<std::string> g_batch;

void BM_ShrinkPhotoTo300(benchmark::State& state) {
    std::size_t picture = 0;
    for (auto _ : state) {
        auto shrunk = pixtrail::imaging::shrinkJpegBytes(g_batch[picture], kBox, kBox);
        benchmark::DoNotOptimize(shrunk);
        picture = (picture + 1) % g_batch.size();
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc >= 3)
        return generate(argv[2], argc >= 4 ? std::atoi(argv[3]) : 10);
    if (mode == "shrink" && argc >= 4)
        return shrinkFiles(argv[2], std::vector<std::string>(argv + 3, argv + argc));
#ifndef _WIN32
    if (mode == "measure" && argc >= 4 && std::string(argv[2]) == "--")
        return measure(argv + 3);
#endif
    if (mode == "ssim" && argc == 4)
        return compare(argv[2], argv[3]);

    const char* dir = std::getenv("PIXTRAIL_BENCH_DIR");
    if (!dir) {
        std::cerr << "set PIXTRAIL_BENCH_DIR to a folder of photos (bench_shrink generate DIR)\n";
        return 2;
    }
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind("photo-", 0) == 0)
            g_batch.push_back(readAll(entry.path()));
    if (g_batch.empty()) {
        std::cerr << "no photo-*.jpg in " << dir << "\n";
        return 2;
    }
    benchmark::RegisterBenchmark("ShrinkPhotoTo300", BM_ShrinkPhotoTo300)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
