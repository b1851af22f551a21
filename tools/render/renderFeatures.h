// What each build of tonalix-render can do: the options that need a library
// that a build may lack (the Windows build has none of them).
#pragma once

enum RenderFeature : int {
    FeatureAnalyze = 0, // --analyze: FFTW
    FeaturePlot = 1,    // --plot: cairo and FFTW
    FeatureFormat = 2,  // --format: libsndfile
    FeatureFlac = 3,    // -o NAME.flac: libsndfile
    FeatureRate = 4,    // --rate: libsoxr
};

struct RenderFeatureRow {
    RenderFeature feature;
    const char *name;    // as messages name it
    const char *library; // what it needs
    int available;       // 1 in this build
};

#ifdef TONALIX_RENDER_FFTW
const int haveFftw = 1;
#else
const int haveFftw = 0;
#endif
#ifdef TONALIX_RENDER_CAIRO
const int haveCairo = 1;
#else
const int haveCairo = 0;
#endif
#ifdef TONALIX_RENDER_SNDFILE
const int haveSndfile = 1;
#else
const int haveSndfile = 0;
#endif
#ifdef TONALIX_RENDER_SOXR
const int haveSoxr = 1;
#else
const int haveSoxr = 0;
#endif

// clang-format off
static const RenderFeatureRow renderFeatures[] = {
    {FeatureAnalyze, "--analyze",   "FFTW",           haveFftw},
    {FeaturePlot,    "--plot",      "cairo and FFTW", haveCairo && haveFftw},
    {FeatureFormat,  "--format",    "libsndfile",     haveSndfile},
    {FeatureFlac,    "FLAC output", "libsndfile",     haveSndfile},
    {FeatureRate,    "--rate",      "libsoxr",        haveSoxr},
};
// clang-format on
