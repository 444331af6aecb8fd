// The version, in the one place that the version resource, the About box and the packages read.
#define LUMETRONE_VERSION_MAJOR 2
#define LUMETRONE_VERSION_MINOR 1

// The texts made from the numbers: "2.1" and "Version 2.1".
#define LUMETRONE_TEXT_OF(text) #text
#define LUMETRONE_DOTTED(major, minor) LUMETRONE_TEXT_OF(major.minor)
#define LUMETRONE_NAMED(major, minor) LUMETRONE_TEXT_OF(Version major.minor)
#define LUMETRONE_VERSION_TEXT LUMETRONE_DOTTED(LUMETRONE_VERSION_MAJOR, LUMETRONE_VERSION_MINOR)
#define LUMETRONE_VERSION_LINE LUMETRONE_NAMED(LUMETRONE_VERSION_MAJOR, LUMETRONE_VERSION_MINOR)
