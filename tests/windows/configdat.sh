# Writes Config.dat files for the tests of the real program: sourced by its scripts.

# config_record TEXT: one record of 255 bytes: the text's length in two bytes (low byte first),
# the text, zero fill.
config_record() {
    printf "\\x$(printf %02x ${#1})\\x00%s" "$1"
    head -c $((253 - ${#1})) /dev/zero
}

# config_file RECORD1 RECORD2 ...: the records from number 1 on, each given as its text.
config_file() {
    local text
    for text in "$@"; do config_record "$text"; done
}
