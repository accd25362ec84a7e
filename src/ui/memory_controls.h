#pragma once

#include <cstddef>

#include "log/logger.h"
#include "util/file_io.h"

// The controls the ROM and RAM views share: a value to poke at an address,
// and an image file's name with its save and load buttons.

// "val" and "addr": number fields whose values wrap around their ranges.
struct PokeFields {
    int val = 0;  // 0..max_value
    int addr = 0; // 0..255

    // Draws "val", then "addr" unless the address follows something else.
    void draw(int max_value, bool with_addr = true);
};

enum class ImageFileAction { None, Save, Load };

// An image file's name for the log, its length, and what its bytes load into.
struct ImageKind {
    const char* name;  // "ROM image"
    size_t bytes;      // a whole image's length
    const char* units; // "words"
};

// "Filename", then the save button and the load button on one line.
struct ImageFileField {
    char filename[40] = "";

    ImageFileAction draw(const char* save_label, const char* load_label);

    // Logs what the user would otherwise not know: a save or load that
    // failed, with the path and the reason, and a loaded file that is not
    // an image's length, with its length and what was loaded of it.
    void report(Logger& log, const ImageKind& kind, ImageFileAction action,
                const FileResult& result) const;
};
