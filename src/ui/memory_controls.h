#pragma once

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

// "Filename", then the save button and the load button on one line.
struct ImageFileField {
    char filename[40] = "";

    ImageFileAction draw(const char* save_label, const char* load_label);
};
