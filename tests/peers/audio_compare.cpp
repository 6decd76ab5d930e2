// Window features of a render and the comparison of two renders.
#include "tests/peers/audio_compare.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

namespace {

constexpr size_t hop = peerRate / 100;  // 10 ms
constexpr size_t fftSize = 2048;
constexpr float silenceDb = -40.0f;
constexpr float soundingDb = -30.0f;
constexpr float loudnessToleranceDb = 3.0f;
constexpr float pitchToleranceCents = 25.0f;
constexpr float balanceTolerance = 0.2f;
constexpr int32_t maxLagWindows = 2;
constexpr float maxGainDb = 3.0f;
constexpr double requiredAgreement = 0.9;

void fft(std::vector<std::complex<double>>& data) {
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2 * std::numbers::pi / static_cast<double>(length);
        const std::complex<double> unit(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1);
            for (size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = data[i + k];
                const std::complex<double> v = data[i + k + length / 2] * w;
                data[i + k] = u + v;
                data[i + k + length / 2] = u - v;
                w *= unit;
            }
        }
    }
}

// Frequency of the strongest peak of the mono mix in the Hann window centred
// on frame `centre`, in cents above 440 Hz.
float peakPitch(const StereoPcm& pcm, size_t centre, const std::vector<double>& window) {
    std::vector<std::complex<double>> data(fftSize);
    for (size_t i = 0; i < fftSize; ++i) {
        if (centre + i < fftSize / 2) continue;
        const size_t f = centre + i - fftSize / 2;
        if (f < pcm.left.size()) data[i] = (pcm.left[f] + pcm.right[f]) * 0.5 * window[i];
    }
    fft(data);
    // Peaks below 40 Hz are rumble or DC, not a note.
    const auto lowest = static_cast<size_t>(40.0 * fftSize / peerRate) + 1;
    size_t best = lowest;
    for (size_t k = lowest; k < fftSize / 2 - 1; ++k) {
        if (std::norm(data[k]) > std::norm(data[best])) best = k;
    }
    const double a = std::log(std::abs(data[best - 1]) + 1e-12);
    const double b = std::log(std::abs(data[best]) + 1e-12);
    const double c = std::log(std::abs(data[best + 1]) + 1e-12);
    const double denominator = a - 2 * b + c;
    const double offset = denominator < 0 ? 0.5 * (a - c) / denominator : 0;
    const double hz = (static_cast<double>(best) + offset) * peerRate / fftSize;
    return static_cast<float>(1200.0 * std::log2(hz / 440.0));
}

float decibels(double rms, double loudest) {
    if (loudest <= 0 || rms <= 0) return silenceDb;
    return std::max(silenceDb, static_cast<float>(20.0 * std::log10(rms / loudest)));
}

// A window's value, or `outside` for a window the render does not have.
float at(const std::vector<float>& values, int64_t i, float outside) {
    return i >= 0 && i < static_cast<int64_t>(values.size()) ? values[static_cast<size_t>(i)] : outside;
}

}  // namespace

RenderFeatures featuresOf(const StereoPcm& pcm) {
    RenderFeatures features;
    features.seconds = pcm.seconds();
    const size_t frames = pcm.left.size();
    const size_t windows = (frames + hop - 1) / hop;
    std::vector<double> rms(windows), leftRms(windows), rightRms(windows);
    double loudest = 0;
    for (size_t w = 0; w < windows; ++w) {
        double l = 0, r = 0;
        const size_t end = std::min((w + 1) * hop, frames);
        for (size_t f = w * hop; f < end; ++f) {
            l += double{pcm.left[f]} * pcm.left[f];
            r += double{pcm.right[f]} * pcm.right[f];
        }
        const auto n = static_cast<double>(end - w * hop);
        leftRms[w] = std::sqrt(l / n);
        rightRms[w] = std::sqrt(r / n);
        rms[w] = std::sqrt((l + r) / (2 * n));
        loudest = std::max(loudest, rms[w]);
    }
    std::vector<double> window(fftSize);
    for (size_t i = 0; i < fftSize; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / fftSize);
    }
    for (size_t w = 0; w < windows; ++w) {
        const float db = decibels(rms[w], loudest);
        features.loudness.push_back(db);
        const double sum = leftRms[w] + rightRms[w];
        features.balance.push_back(sum > 0 ? static_cast<float>((rightRms[w] - leftRms[w]) / sum) : 0.0f);
        features.pitch.push_back(db > soundingDb ? peakPitch(pcm, w * hop + hop / 2, window) : 0.0f);
    }
    return features;
}

Comparison compareRenders(const RenderFeatures& a, const RenderFeatures& b) {
    Comparison result;
    const auto countA = static_cast<int64_t>(a.loudness.size());
    const auto countB = static_cast<int64_t>(b.loudness.size());
    result.lengthDifference = b.seconds - a.seconds;
    result.lengthsAgree = std::fabs(result.lengthDifference) <= 0.02 * std::max(a.seconds, b.seconds) + 0.15;

    // Align: the lag at which the loudness curves differ least, the smaller
    // lag when two are as good.
    double bestError = 1e300;
    for (int32_t lag : {0, -1, 1, -2, 2}) {
        if (std::abs(lag) > maxLagWindows) continue;
        double error = 0;
        for (int64_t i = 0; i < countA; ++i)
            error += std::fabs(at(a.loudness, i, 0) - at(b.loudness, i + lag, silenceDb));
        if (error < bestError - 1e-9) {
            bestError = error;
            result.lagWindows = lag;
        }
    }
    const int64_t lag = result.lagWindows;

    // Level: the median difference where both sound, within a few dB.
    std::vector<float> differences;
    for (int64_t i = 0; i < countA; ++i) {
        const float la = at(a.loudness, i, silenceDb);
        const float lb = at(b.loudness, i + lag, silenceDb);
        if (la > soundingDb && lb > soundingDb) differences.push_back(lb - la);
    }
    float gain = 0;
    if (!differences.empty()) {
        const auto middle = differences.begin() + static_cast<std::ptrdiff_t>(differences.size() / 2);
        std::nth_element(differences.begin(), middle, differences.end());
        gain = std::clamp(*middle, -maxGainDb, maxGainDb);
    }
    result.gainDb = gain;

    auto loudnessB = [&](int64_t j) { return std::clamp(at(b.loudness, j, silenceDb) - gain, silenceDb, 0.0f); };
    // True when b's window j, or one next to it, is close to a's window i.
    auto nearby = [&](int64_t i, auto close) {
        for (int64_t d : {0, -1, 1}) {
            const int64_t j = i + lag + d;
            if (j >= 0 && j < countB && close(j)) return true;
        }
        return false;
    };
    const int64_t windows = std::min(countA, countB - lag);
    int64_t agreeing = 0, loudnessAgreeing = 0, sounding = 0, pitchAgreeing = 0, balanceAgreeing = 0;
    for (int64_t i = 0; i < windows; ++i) {
        const float la = at(a.loudness, i, silenceDb);
        const bool loudnessOk =
            nearby(i, [&](int64_t j) { return std::fabs(la - loudnessB(j)) <= loudnessToleranceDb; });
        bool ok = loudnessOk;
        uint8_t failed = loudnessOk ? 0 : 1;
        loudnessAgreeing += loudnessOk;
        if (la > soundingDb && loudnessB(i + lag) > soundingDb) {
            ++sounding;
            const float pa = at(a.pitch, i, 0);
            const bool pitchOk = nearby(i, [&](int64_t j) {
                return loudnessB(j) > soundingDb && std::fabs(pa - at(b.pitch, j, 0)) <= pitchToleranceCents;
            });
            const bool balanceOk = std::fabs(at(a.balance, i, 0) - at(b.balance, i + lag, 0)) <= balanceTolerance;
            pitchAgreeing += pitchOk;
            balanceAgreeing += balanceOk;
            ok = ok && pitchOk && balanceOk;
            failed |= static_cast<uint8_t>((pitchOk ? 0 : 2) | (balanceOk ? 0 : 4));
        }
        agreeing += ok;
        result.differences.push_back(failed);
        if (!ok && result.firstDisagreement < 0) result.firstDisagreement = static_cast<int32_t>(i);
    }
    auto share = [](int64_t part, int64_t whole) {
        return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 1.0;
    };
    result.agreement = share(agreeing, windows);
    result.loudnessAgreement = share(loudnessAgreeing, windows);
    result.pitchAgreement = share(pitchAgreeing, sounding);
    result.balanceAgreement = share(balanceAgreeing, sounding);
    result.match = result.lengthsAgree && result.agreement >= requiredAgreement;
    return result;
}

std::string Comparison::summary() const {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%s: %.0f%% of windows agree (loudness %.0f%%, pitch %.0f%%, balance %.0f%%), length %+.2f s, "
                  "gain %+.1f dB, lag %+d ms",
                  match ? "match" : "differ", agreement * 100, loudnessAgreement * 100, pitchAgreement * 100,
                  balanceAgreement * 100, lengthDifference, gainDb, lagWindows * 10);
    std::string out = text;
    if (firstDisagreement >= 0) out += ", first difference at " + std::to_string(firstDisagreement * 10) + " ms";
    return out;
}
