#pragma once

// A value's property slot: the column number of the description row it was
// built from.
enum enValuePropertyIndex {
    VALUE_CODE = 0,      // code, unique per value ("F0-00")
    VALUE_NAME = 1,      // name
    VALUE_ADDRESS = 2,   // register address, decimal text
    VALUE_LENGTH = 3,    // length in 16-bit words: 1 or 2
    VALUE_SCALE = 4,     // |scale| divides the raw value; negative = signed
    VALUE_DEFAULT = 5,   // default, display units
    VALUE_MIN = 6,       // minimum, display units
    VALUE_MAX = 7,       // maximum, display units
    VALUE_UNIT = 8,      // unit
    VALUE_ACCESS = 9,    // "rw", "ro" or "stop" (writable only while stopped)
    VALUE_EDITOR = 10,   // "十进制" (decimal) or "选择" (choice)
    VALUE_CHOICES = 11,  // choices, "value:text" pairs joined by ";"
    VALUE_START = 12,    // "1" when the value is read right after connecting
    VALUE_HELP = 13,     // help text
    // English texts of the description, empty where it gives none.
    VALUE_NAME_EN = 14,    // name
    VALUE_UNIT_EN = 15,    // unit, where it is written differently
    VALUE_CHOICES_EN = 16, // choice texts, "value:text" pairs joined by ";"
    // Register form beyond length and scale, from the description's profile.
    VALUE_WORD_ORDER = 17, // "high" when a two-word value's high word comes first
    VALUE_TYPE = 18,       // "float" for a 32-bit IEEE value; empty for an integer
    VALUE_PROPERTY_COUNT = 19
};
