#pragma once
// The anti-aliased service's drawing written into a recording context: each call becomes EMF
// records a plain reader draws, and, in dual mode, EMF+ records ([MS-EMFPLUS]) carried in
// comments ahead of them, which EMF+ readers draw instead.

#include <cstdint>
#include <vector>

#include "platform/gdi/AntiAliasedGraphics.h"
#include "platform/gdi/MetafileBytes.h"

namespace parch {

class AaRecording {
public:
    AaRecording(HDC dc, bool emfPlus, int dpi);
    // Ends the EMF+ stream; the recording context itself stays open for its owner to close.
    ~AaRecording();
    AaRecording(const AaRecording&) = delete;
    AaRecording& operator=(const AaRecording&) = delete;

    bool FillPath(const AaPath& path, std::uint32_t argb);
    bool DrawPath(const AaPath& path, const AaPen& pen);
    bool DrawImage(const AaImage& image, AaPoint upperLeft, AaPoint upperRight, AaPoint lowerLeft,
                   const AaImageDrawing& drawing);
    void IntersectClip(const AaPath& path);
    void SetClip(const AaClip& clip);

private:
    // EMF+ records collected for one call, then written as one comment.
    void PlusRecord(std::uint16_t type, std::uint16_t flags, const std::vector<BYTE>& data);
    void FlushPlus();
    std::uint8_t PlusPathObject(const AaPath& path);
    std::uint8_t PlusObject(std::uint16_t objectType, const std::vector<BYTE>& data);
    std::uint8_t NextObjectId();

    // The path as EMF path records, coordinates rounded to the context's pixels.
    void EmfPath(const AaPath& path);

    HDC dc_;
    bool emfPlus_;
    MetafileByteWriter pending_;
    std::uint8_t nextId_ = 0;
};

}  // namespace parch
