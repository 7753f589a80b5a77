#include "meter/level_analysis.h"

#include <cfenv>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "meter/meter_engine.h"
#include "meter/power_of_ten.h"
#include "meter/sample_lanes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Sums are gathered in this many independent lanes so the loop can run
// several samples at once without reordering any single lane's additions.
constexpr int kLanes = 8;

struct Lanes {
    float peak[kLanes];
    float sum[kLanes];
    float sumSq[kLanes];
};

inline void Gather(Lanes& l, int k, float y) {
    float a = std::fabs(y);
    l.peak[k] = a > l.peak[k] ? a : l.peak[k];
    l.sum[k] += a;
    l.sumSq[k] += a * a;
}

// The sample layouts the loops take. 16-bit PCM: its sums may be gathered
// in sample units (kUnits per unit amplitude) and scaled once at the end.
// 32-bit float: amplitudes as they are (the scale of 1 changes no bit).
struct Pcm16 {
    static constexpr uint32_t kBytes = 2;         // per sample
    static constexpr float kScale = kSampleScale; // amplitude of one unit
    static constexpr float kUnits = 32768.0f;     // 1 / kScale
    static float Load(const unsigned char* p) {
        int16_t s;
        std::memcpy(&s, p, sizeof s);
        return static_cast<float>(s);
    }
    // Four stereo frames: each 32-bit word holds a left sample in its low
    // half and a right one in its high half; LowHalves and a shift split
    // and sign-extend them.
    static void LoadStereo4(const unsigned char* in, V4* left, V4* right) {
        I4 pcm;
        std::memcpy(&pcm, in, sizeof pcm);
        *left = __builtin_convertvector(LowHalves(pcm), V4);
        *right = __builtin_convertvector(pcm >> 16, V4);
    }
};

struct Float32 {
    static constexpr uint32_t kBytes = 4;
    static constexpr float kScale = 1.0f;
    static constexpr float kUnits = 1.0f;
    static float Load(const unsigned char* p) {
        float s;
        std::memcpy(&s, p, sizeof s);
        return s;
    }
    static void LoadStereo4(const unsigned char* in, V4* left, V4* right) {
        V4 a, b;
        std::memcpy(&a, in, sizeof a);
        std::memcpy(&b, in + sizeof a, sizeof b);
#if defined(__clang__)
        *left = __builtin_shufflevector(a, b, 0, 2, 4, 6);
        *right = __builtin_shufflevector(a, b, 1, 3, 5, 7);
#else
        *left = __builtin_shuffle(a, b, I4{0, 2, 4, 6});
        *right = __builtin_shuffle(a, b, I4{1, 3, 5, 7});
#endif
    }
};

template <class In> inline float LoadAmplitude(const unsigned char* p) {
    return In::Load(p) * In::kScale;
}

// The running sums enter lane 0, so a frame that spans buffers keeps them;
// scaled by `units` (1, or kSampleUnits for sums in sample units).
Lanes LanesFrom(const ChannelAccumulators* acc, float units) {
    Lanes l{};
    l.peak[0] = acc->peak * units;
    l.sum[0] = acc->sum * units;
    l.sumSq[0] = acc->sumSq * (units * units);
    return l;
}

float Reduce(const float* v) {
    return ((v[0] + v[1]) + (v[2] + v[3])) + ((v[4] + v[5]) + (v[6] + v[7]));
}

void LanesTo(const Lanes& l, ChannelAccumulators* acc, float scale) {
    float peak = l.peak[0];
    for (int k = 1; k < kLanes; ++k)
        peak = l.peak[k] > peak ? l.peak[k] : peak;
    acc->peak = peak * scale;
    acc->sum = Reduce(l.sum) * scale;
    acc->sumSq = Reduce(l.sumSq) * (scale * scale);
}

// How a chunk reads its delayed samples: kSame when read equals write (no
// delay: y is x), kApart when they differ, kMixed for one channel of each
// (store first, then load). With a delay every step loads the delayed
// samples before it stores the new ones, so a read window ahead of the write
// window takes the old values as it must; a read window behind it takes what
// earlier steps stored, which needs a delay of at least one step (ChunkRoom).
//
// kUnstored is kSame for rings that are not kept: x is not stored, and the
// sums are gathered in the input's units (for 16-bit PCM 2^15 times the
// amplitudes), which saves the conversion's multiply. Scaling by a power of two is exact for these
// values (far from both ends of the float range), so every rounding, and
// the result once scaled back, is the same as in amplitudes.
enum ChunkMode { kSame, kApart, kMixed, kUnstored };

// A sample in the units its chunk mode gathers.
template <ChunkMode kMode, class In> inline float Units(float sample) {
    return kMode == kUnstored ? sample : sample * In::kScale;
}

// Four lanes of both channels.
struct Quad {
    V4 peakL, sumL, sumSqL, peakR, sumR, sumSqR, corr;
};

template <ChunkMode kMode, class In>
inline void StereoStep(const unsigned char* in, float* wl, const float* rl, float* wr,
                       const float* rr, Quad& q) {
    V4 xl, xr;
    In::LoadStereo4(in, &xl, &xr);
    if (kMode != kUnstored) {
        xl *= In::kScale;
        xr *= In::kScale;
    }
    V4 yl = xl, yr = xr;
    if (kMode == kApart) {
        std::memcpy(&yl, rl, sizeof yl);
        std::memcpy(&yr, rr, sizeof yr);
    }
    if (kMode != kUnstored) {
        std::memcpy(wl, &xl, sizeof xl);
        std::memcpy(wr, &xr, sizeof xr);
    }
    V4 al = Abs4(yl), ar = Abs4(yr);
    q.peakL = Max4(al, q.peakL);
    q.peakR = Max4(ar, q.peakR);
    q.sumL += al;
    q.sumSqL += al * al;
    q.sumR += ar;
    q.sumSqR += ar * ar;
    q.corr += yr * yl;
}

inline Quad QuadFrom(const Lanes& L, const Lanes& R, const float* corr, int at) {
    Quad q;
    std::memcpy(&q.peakL, L.peak + at, sizeof(V4));
    std::memcpy(&q.sumL, L.sum + at, sizeof(V4));
    std::memcpy(&q.sumSqL, L.sumSq + at, sizeof(V4));
    std::memcpy(&q.peakR, R.peak + at, sizeof(V4));
    std::memcpy(&q.sumR, R.sum + at, sizeof(V4));
    std::memcpy(&q.sumSqR, R.sumSq + at, sizeof(V4));
    std::memcpy(&q.corr, corr + at, sizeof(V4));
    return q;
}

inline void QuadTo(const Quad& q, Lanes& L, Lanes& R, float* corr, int at) {
    std::memcpy(L.peak + at, &q.peakL, sizeof(V4));
    std::memcpy(L.sum + at, &q.sumL, sizeof(V4));
    std::memcpy(L.sumSq + at, &q.sumSqL, sizeof(V4));
    std::memcpy(R.peak + at, &q.peakR, sizeof(V4));
    std::memcpy(R.sum + at, &q.sumR, sizeof(V4));
    std::memcpy(R.sumSq + at, &q.sumSqR, sizeof(V4));
    std::memcpy(corr + at, &q.corr, sizeof(V4));
}

// Not inlined: each mode's loop gets the registers to itself (inlined into
// one function, the seven sums of one mode spilled to the stack).
template <ChunkMode kMode, class In>
__attribute__((noinline)) void StereoChunk(const unsigned char* in, uint32_t n, float* wl,
                                           const float* rl, float* wr, const float* rr, Lanes& L,
                                           Lanes& R, float* corr) {
    constexpr uint32_t kFrame = 2 * In::kBytes;
    // Four lanes: the seven accumulators then stay in registers.
    Quad q = QuadFrom(L, R, corr, 0);
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4)
        StereoStep<kMode, In>(in + kFrame * i, wl + i, rl + i, wr + i, rr + i, q);
    QuadTo(q, L, R, corr, 0);
    for (; i < n; ++i) {
        const unsigned char* p = in + kFrame * i;
        float xl = Units<kMode, In>(In::Load(p));
        float xr = Units<kMode, In>(In::Load(p + In::kBytes));
        float yl = kMode == kApart ? rl[i] : xl;
        float yr = kMode == kApart ? rr[i] : xr;
        if (kMode != kUnstored) {
            wl[i] = xl;
            wr[i] = xr;
        }
        Gather(L, 0, yl);
        Gather(R, 0, yr);
        corr[0] += yr * yl;
    }
}

// One channel at or without delay: read may equal write, so store before load.
template <class In>
void MixedStereoChunk(const unsigned char* in, uint32_t n, float* wl, const float* rl, float* wr,
                      const float* rr, Lanes& L, Lanes& R, float* corr) {
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char* p = in + 2 * In::kBytes * i;
        wl[i] = LoadAmplitude<In>(p);
        wr[i] = LoadAmplitude<In>(p + In::kBytes);
        float yl = rl[i];
        float yr = rr[i];
        Gather(L, 0, yl);
        Gather(R, 0, yr);
        corr[0] += yr * yl;
    }
}

template <bool kDelayed, class In>
void MonoChunk(const unsigned char* in, uint32_t n, float* w, const float* r, Lanes& L) {
    uint32_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        for (int k = 0; k < kLanes; ++k) {
            float x = LoadAmplitude<In>(in + In::kBytes * (i + k));
            float y = kDelayed ? r[i + k] : x;
            w[i + k] = x;
            Gather(L, k, y);
        }
    }
    for (; i < n; ++i) {
        float x = LoadAmplitude<In>(in + In::kBytes * i);
        float y = kDelayed ? r[i] : x;
        w[i] = x;
        Gather(L, 0, y);
    }
}

// Samples that can be taken from write and read before either wraps, and
// before a read less than one step behind write would need samples of its
// own step.
uint32_t ChunkRoom(const DelayLine* line, uint32_t limit) {
    uint32_t room = static_cast<uint32_t>(line->end - line->write);
    uint32_t readRoom = static_cast<uint32_t>(line->end - line->read);
    if (readRoom < room) room = readRoom;
    if (line->read < line->write && line->write - line->read < kLanes)
        room = static_cast<uint32_t>(line->write - line->read);
    return room < limit ? room : limit;
}

void Advance(DelayLine* line, uint32_t n) {
    line->write += n;
    if (line->write == line->end) line->write = line->begin;
    line->read += n;
    if (line->read == line->end) line->read = line->begin;
}

} // namespace

namespace {

template <class In>
void AnalyseMonoAs(const void* samples, uint32_t frames, DelayLine* line,
                   ChannelAccumulators* acc) {
    const unsigned char* in = static_cast<const unsigned char*>(samples);
    Lanes l = LanesFrom(acc, 1.0f);
    DelayLine d = *line;
    while (frames > 0) {
        uint32_t n = ChunkRoom(&d, frames);
        if (d.read == d.write)
            MonoChunk<false, In>(in, n, d.write, d.read, l);
        else
            MonoChunk<true, In>(in, n, d.write, d.read, l);
        Advance(&d, n);
        in += In::kBytes * n;
        frames -= n;
    }
    *line = d;
    LanesTo(l, acc, 1.0f);
}

template <class In>
void AnalyseStereoAs(const void* samples, uint32_t frames, DelayLine* left, DelayLine* right,
                     ChannelAccumulators* accLeft, ChannelAccumulators* accRight, float* corrSum,
                     bool keepRings) {
    const unsigned char* in = static_cast<const unsigned char*>(samples);
    DelayLine dl = *left;
    DelayLine dr = *right;
    // Read and write advance together, so read stays on write throughout.
    const bool unstored = !keepRings && dl.read == dl.write && dr.read == dr.write;
    const float units = unstored ? In::kUnits : 1.0f;
    Lanes L = LanesFrom(accLeft, units);
    Lanes R = LanesFrom(accRight, units);
    float corr[kLanes] = {*corrSum * units * units};
    while (frames > 0) {
        uint32_t n = ChunkRoom(&dr, ChunkRoom(&dl, frames));
        bool sameL = dl.read == dl.write;
        bool sameR = dr.read == dr.write;
        if (unstored)
            StereoChunk<kUnstored, In>(in, n, dl.write, dl.read, dr.write, dr.read, L, R, corr);
        else if (sameL && sameR)
            StereoChunk<kSame, In>(in, n, dl.write, dl.read, dr.write, dr.read, L, R, corr);
        else if (!sameL && !sameR)
            StereoChunk<kApart, In>(in, n, dl.write, dl.read, dr.write, dr.read, L, R, corr);
        else
            MixedStereoChunk<In>(in, n, dl.write, dl.read, dr.write, dr.read, L, R, corr);
        Advance(&dl, n);
        Advance(&dr, n);
        in += 2 * In::kBytes * n;
        frames -= n;
    }
    *left = dl;
    *right = dr;
    LanesTo(L, accLeft, 1.0f / units);
    LanesTo(R, accRight, 1.0f / units);
    *corrSum = Reduce(corr) / (units * units);
}

} // namespace

void AnalyseMono(const void* samples, uint32_t frames, DelayLine* line, ChannelAccumulators* acc) {
    AnalyseMonoAs<Pcm16>(samples, frames, line, acc);
}

void AnalyseStereo(const void* samples, uint32_t frames, DelayLine* left, DelayLine* right,
                   ChannelAccumulators* accLeft, ChannelAccumulators* accRight, float* corrSum,
                   bool keepRings) {
    AnalyseStereoAs<Pcm16>(samples, frames, left, right, accLeft, accRight, corrSum, keepRings);
}

void AnalyseMonoFloat(const float* samples, uint32_t frames, DelayLine* line,
                      ChannelAccumulators* acc) {
    AnalyseMonoAs<Float32>(samples, frames, line, acc);
}

void AnalyseStereoFloat(const float* samples, uint32_t frames, DelayLine* left, DelayLine* right,
                        ChannelAccumulators* accLeft, ChannelAccumulators* accRight, float* corrSum,
                        bool keepRings) {
    AnalyseStereoAs<Float32>(samples, frames, left, right, accLeft, accRight, corrSum, keepRings);
}

// ---- The engine's per-buffer entry ----

namespace {

void ClearAccumulators(MeterEngine* e) {
    e->accLeft = ChannelAccumulators{};
    if (e->channels > 1) {
        e->accRight = ChannelAccumulators{};
        e->corrSum = 0.0f;
    }
}

// Step 2 of the entry: the flag checks under the lock. Returns 1 when the
// buffer is to be analysed, 0 when it is ignored, -1 when the engine must be
// destroyed.
int EnterBuffer(MeterEngine* e, uint32_t frames) {
    SysLockEnter(&e->lock);
    int result = 1;
    if (e->analysisBusy || e->hold || !e->left.base || (e->channels > 1 && !e->right.base)) {
        result = 0;
    } else if (e->destroyPending) {
        result = -1;
    } else {
        if (!e->derivedValid) MeterDerive(e);
        e->analysisBusy = 1;
        e->samplePosition += frames;
    }
    SysLockLeave(&e->lock);
    return result;
}

// The entry for either sample layout: 16-bit PCM (isFloat false) or float.
void AnalyseFrames(MeterEngine** handle, const void* samples, uint32_t frames, bool isFloat) {
    MeterEngine* e = *handle;
    if (!e || !samples || frames < 1) return;
    int entered = EnterBuffer(e, frames);
    if (entered < 0) MeterEngineDestroy(handle);
    if (entered <= 0) return;

    std::fenv_t saved;
    std::fegetenv(&saved);
    std::fesetenv(FE_DFL_ENV);
    e->frameSamples += frames;
    e->framePhase += frames;
    if (e->channels > 1 && isFloat)
        AnalyseStereoAs<Float32>(samples, frames, &e->left, &e->right, &e->accLeft, &e->accRight,
                                 &e->corrSum, !e->fixedDelay);
    else if (e->channels > 1)
        AnalyseStereoAs<Pcm16>(samples, frames, &e->left, &e->right, &e->accLeft, &e->accRight,
                               &e->corrSum, !e->fixedDelay);
    else if (isFloat)
        AnalyseMonoAs<Float32>(samples, frames, &e->left, &e->accLeft);
    else
        AnalyseMonoAs<Pcm16>(samples, frames, &e->left, &e->accLeft);

    if (e->framePhase >= e->samplesPerFrame) {
        if (MeterHandOverFrame(e) == kHandOverQuit) return;
        e->framePhase %= e->samplesPerFrame;
        e->frameSamples = 0;
        ClearAccumulators(e);
    }
    std::fesetenv(&saved);

    SysLockEnter(&e->lock);
    e->analysisBusy = 0;
    uint32_t destroy = e->destroyPending;
    SysLockLeave(&e->lock);
    if (destroy) MeterEngineDestroy(handle);
}

} // namespace

void AnalyseBuffer(MeterEngine** handle, const void* samples, uint32_t byteCount) {
    const MeterEngine* e = *handle;
    if (e) AnalyseFrames(handle, samples, byteCount / (e->channels == 2 ? 4 : 2), false);
}

void AnalyseFloatBuffer(MeterEngine** handle, const float* samples, uint32_t frames) {
    AnalyseFrames(handle, samples, frames, true);
}

int MeterAllocateDelayLines(MeterEngine* e) {
    DelayLineFree(&e->left);
    DelayLineFree(&e->right);
    int ok = DelayLineAllocate(&e->left, e->sampleRate);
    if (ok && e->channels > 1) {
        ok = DelayLineAllocate(&e->right, e->sampleRate);
        e->frame.correlationMarker = -1;
    }
    if (!ok) {
        DelayLineFree(&e->left);
        DelayLineFree(&e->right);
        return 0;
    }
    return 1;
}

void MeterRewindRings(MeterEngine* e) {
    for (DelayLine* line : {&e->left, &e->right})
        line->write = line->read = line->begin;
    SysLockEnter(&e->lock);
    e->derivedValid = 0;
    SysLockLeave(&e->lock);
}

void MeterFreeDelayLines(MeterEngine* e) {
    DelayLineFree(&e->left);
    DelayLineFree(&e->right);
    SysLockEnter(&e->lock);
    e->derivedValid = 0;
    SysLockLeave(&e->lock);
}

int MeterSetFormat(MeterEngine** handle, float sampleRate, uint32_t channels) {
    MeterEngine* e = *handle;
    if (!e || (channels != 1 && channels != 2)) return 0;
    if (!(sampleRate >= 1.0f && sampleRate <= 1000000.0f)) return 0;
    if (sampleRate == e->sampleRate && channels == e->channels && e->left.base) return 1;
    e->sampleRate = sampleRate;
    e->channels = channels;
    int ok = MeterAllocateDelayLines(e);
    SysLockEnter(&e->lock);
    e->derivedValid = 0;
    if (ok) MeterDerive(e);
    SysLockLeave(&e->lock);
    return ok;
}

void MeterZero(MeterEngine** handle) {
    MeterEngine* e = *handle;
    if (!e) return;
    e->framePhase = 0;
    e->frameSamples = 0;
    e->lostFrames.store(0);
    e->accLeft = ChannelAccumulators{};
    // Rings that nothing will read (no delay, and it stays so) are left
    // alone: their pages need not even be touched.
    const bool ringsRead = !e->fixedDelay ||
                           DelaySamples(e->sampleRate, e->config.params.delay) != 0 ||
                           DelaySamples(e->sampleRate, e->config.params2.delay) != 0;
    if (ringsRead) DelayLineZero(&e->left);
    if (e->channels == 2) {
        e->accRight = ChannelAccumulators{};
        e->corrSum = 0.0f;
        if (ringsRead) DelayLineZero(&e->right);
    }
    // The ballistic values are the display thread's: the next frame clears
    // them, and they are cleared here at once when that thread holds no frame.
    e->restartPending = 1;
    if (e->framePending.load() == 0) FrameClearBallistics(&e->frame);
    SysLockEnter(&e->lock);
    e->derivedValid = 0;
    SysLockLeave(&e->lock);
}
