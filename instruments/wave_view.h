// A RIFF WAVE file as libsndfile is shown it: the header, the format chunk
// and the data chunk, nothing else. The library's readers of the other
// chunks (text, cue points, loops) trust the sizes inside them; a damaged
// one can send them round the same bytes forever. The plug-in reads none
// of what those chunks hold, so they never reach the library.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <vector>

class RegularFile;

class WaveView {
public:
    // Walks the chunks of `file` up to its data chunk; `file` must outlive
    // the view and the view must outlive what open() answers.
    explicit WaveView(const RegularFile& file);
    WaveView(const WaveView&) = delete;
    WaveView& operator=(const WaveView&) = delete;

    // The file begins as a RIFF (or RIFX) WAVE file.
    bool isWave() const { return wave; }
    // A format chunk came before a data chunk.
    bool found() const { return !head.empty(); }
    // The library opened on the view; nullptr when nothing was found or the
    // library refuses what was.
    SNDFILE* open(SF_INFO& info);

private:
    static sf_count_t length(void* view);
    static sf_count_t seek(sf_count_t offset, int whence, void* view);
    static sf_count_t read(void* out, sf_count_t count, void* view);
    static sf_count_t write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t tell(void* view);

    const RegularFile& file;
    bool wave = false;
    // The header, the format chunk and the data chunk's header, as copied;
    // the data follows them from `framesAt` in the file.
    std::vector<unsigned char> head;
    int64_t framesAt = 0;
    int64_t frameBytes = 0;
    int64_t position = 0;
};
