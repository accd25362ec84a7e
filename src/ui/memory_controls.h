#pragma once

#include <cstddef>

#include "arch/isa4.h"
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

// One memory's image file: its buttons, its name for the log, its length,
// what its bytes load into, and how it is saved from and loaded into arch.
struct ImageKind {
    const char* save_label; // "Save ROM"
    const char* load_label; // "Load ROM"
    const char* name;       // "ROM image"
    size_t bytes;           // a whole image's length
    const char* units;      // "words"
    FileResult (*save)(const char* path, const Isa4& arch);
    FileResult (*load)(const char* path, Isa4& arch);
};

// "Filename", then the save button and the load button on one line.
struct ImageFileField {
    char filename[40] = "";

    // Draws the field and the buttons; a press saves or loads the image and
    // reports what happened.
    void draw(const ImageKind& kind, Isa4& arch, Logger& log);

  private:
    // Logs what the user would otherwise not know: a save or load that
    // failed, with the path and the reason, and a loaded file that is not
    // an image's length, with its length and what was loaded of it.
    void report(Logger& log, const ImageKind& kind, ImageFileAction action,
                const FileResult& result) const;
};
