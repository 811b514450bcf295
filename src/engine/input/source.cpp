#include "engine/input/source.h"

namespace vl {

namespace {

const SourceOps kNoSource = {kSourceNone, "none", nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr,     nullptr, nullptr, nullptr, nullptr};

}  // namespace

const SourceOps* const kSources[] = {&kMpegSource, &kOggSource, &kWavSource, &kPluginSource, &kStreamSource,
                                     nullptr};
const SourceOps* const kFileInputs[] = {&kPluginSource, &kMpegSource, &kOggSource, &kWavSource, nullptr};
const SourceOps* const kTagReaders[] = {&kPluginSource, &kOggSource, &kMpegSource, nullptr};

const SourceOps& FindSource(int type) {
    for (const SourceOps* const* s = kSources; *s; ++s)
        if ((*s)->type == type) return **s;
    return kNoSource;
}

}  // namespace vl
