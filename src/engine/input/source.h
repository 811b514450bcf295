#pragma once
// The inputs as one table. Each built-in input, the decoder plug-ins and the network stream is
// one record of the operations the engine calls on the open source; the engine looks the record
// up by SourceType and never asks which input it holds. An operation an input lacks is null and
// the engine does the default written beside it.
//
// The operations run with the engine's locks as their callers hold them: open, seek and close
// under engineLock (seek also under decodeLock), decodeStep/run/clearForSeek on the decode thread.
#include <string>

#include "engine/types.h"

namespace vl {

class PlayerEngine;

struct SourceOps {
    int type;          // SourceType
    const char* name;  // short name shown by the programs
    // Takes the file when it is this input's kind: the format record and totalSamples filled,
    // the input's state open. Leaves nothing open when it refuses. Null: not a file input.
    bool (*open)(PlayerEngine& engine, const std::wstring& path);
    // Positions the decoder; reports through PlayerEngine::SeekReached. Null: cannot seek.
    bool (*seek)(PlayerEngine& engine, int ms);
    // One decode step: DecodeResult. Null: the run fails.
    int (*decodeStep)(PlayerEngine& engine);
    // The whole run in place of the decode steps (streams decide their format while running).
    void (*run)(PlayerEngine& engine);
    // The input's own part of the seek reaction, under decodeLock; false ends the run.
    bool (*clearForSeek)(PlayerEngine& engine);
    // The end of a run: back to the start of the data.
    void (*rewind)(PlayerEngine& engine);
    // Closes the input's state; harmless when it holds nothing.
    void (*close)(PlayerEngine& engine);
    bool (*getTags)(PlayerEngine& engine, TagInfo& tags);
    // Tags of any file, without touching the open source.
    bool (*readFileTags)(PlayerEngine& engine, const std::wstring& path, TagInfo& tags);
    // Bits per sample of the PCM handed to the output. Null: 16.
    int (*outputBits)(const PlayerEngine& engine);
};

// The record of a SourceType; the record of "nothing open" (every operation null) otherwise.
const SourceOps& FindSource(int type);
// Every record, null-terminated.
extern const SourceOps* const kSources[];
// Local files are offered to the inputs in this order: plug-ins, MPEG, Ogg Vorbis, WAV.
extern const SourceOps* const kFileInputs[];
// File tags are asked of the readers in this order: plug-ins, Ogg comments, MPEG (ID3v1).
extern const SourceOps* const kTagReaders[];

extern const SourceOps kMpegSource;
extern const SourceOps kOggSource;
extern const SourceOps kWavSource;
extern const SourceOps kPluginSource;
extern const SourceOps kStreamSource;

}  // namespace vl
