/*
 * tslib.h - the C interface of libtslib, the Vietnamese text-conversion library.
 *
 * The library converts text between the 44 charsets of its catalogue (TCVN3, VNI, VISCII,
 * VIQR, VPS, the Unicode forms and others), changes the case of Vietnamese letters, builds
 * sort keys, converts HTML and maps font names.
 *
 * Conventions
 *  - Texts are NUL-terminated byte strings unless marked as 16-bit.
 *  - Output buffers belong to the caller and carry no size: each function below states how
 *    large its buffer must be.
 *  - Charset codes and modes are passed as 32-bit integers of which only the low byte counts.
 *  - Nothing is thrown and nothing aborts: failures are results.  A null pointer argument is
 *    refused: the function returns 0 (or a null pointer) and writes nothing.
 *  - All state is process-wide (one selected charset pair, one default charset): the
 *    library is not thread-safe and not re-entrant; call it from one thread at a time.
 *
 * Build against it with pkg-config (`pkg-config --cflags --libs tslib`) or CMake
 * (`find_package(tslib)` and the target `tslib::tslib`).
 */
#ifndef TSLIB_H
#define TSLIB_H

#include <stdint.h>

/* Exports use the standard calling convention on 32-bit Windows, the platform ABI elsewhere. */
#if defined(_WIN32) && (defined(_M_IX86) || defined(__i386__))
#define TS_API __stdcall
#else
#define TS_API
#endif

#if defined(TSLIB_BUILDING) && (defined(__GNUC__) || defined(__clang__))
#define TS_EXPORT __attribute__((visibility("default")))
#elif defined(TSLIB_BUILDING) && defined(_WIN32)
#define TS_EXPORT __declspec(dllexport)
#else
#define TS_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Conversion -------------------------------------------------------------------- */

/*
 * Selects the charset pair that TS_Convert and the other converting functions use (the low
 * byte of each argument).  Returns 1 on success, 0 when either code has no letter table (6,
 * 7, 12, 40 as a destination, 44, 45 to 63); texts are then copied unchanged until a
 * selection succeeds.  A source of 40 ("VN Unicode 2") is read as 39 ("VN Unicode 1").
 * A source of code + 64 reads that charset carried in UTF-8 (its bytes read as Windows-1252
 * or Latin-1 and saved as UTF-8: 79 is TCVN3 so carried), + 128 carried twice, + 192 three
 * times; 41 + 64 reads UTF-8 encoded twice.  A destination of 64 or more fails.  Equal codes
 * always succeed, and TS_Convert then copies (a carried source still loses its layers).
 * Before the first call both codes are 0.
 */
TS_EXPORT unsigned char TS_API TS_Code2Code(uint32_t source, uint32_t destination);

/*
 * Converts the text `source` with the selected pair into `destination` and returns the
 * length of the result, the terminator not counted.
 * Buffer: 8 * strlen(source) + 1 bytes always suffice (a one-byte letter written as a C
 * escape is eight bytes).  An empty source returns 0 and leaves `destination` untouched.
 */
TS_EXPORT int32_t TS_API TS_Convert(const char* source, char* destination);

/*
 * Replaces every non-overlapping occurrence of `pattern` in `text` by `replacement`, left
 * to right; an empty pattern gives a copy of the text.  Returns a pointer to the library's
 * own result buffer, valid until the next TS_replace call; texts of any length.  The
 * arguments may point into that buffer.
 */
TS_EXPORT const char* TS_API TS_replace(const char* text, const char* pattern,
                                        const char* replacement);

/* ---- Unicode bridge and letter case ------------------------------------------------ */

/*
 * Converts a byte text to UTF-16 units through "VN Unicode 1": select the pair (its
 * charset, 39) with TS_Code2Code first.  When the selected destination is another charset,
 * the text is still read from the selected source charset (the selection is not changed).
 * Each escape \uNNNN of the converted text gives one unit, every other byte its own value.
 * Returns the number of units, the terminator not counted.
 * Buffer: strlen(text) + 1 units.
 */
TS_EXPORT int32_t TS_API TS_VN2Unicode(const char* text, uint16_t* result);

/*
 * Writes a NUL-terminated UTF-16 text in the destination charset of the selected pair;
 * units that are no Vietnamese letter give their low byte.  Returns the length in bytes;
 * 0, with nothing written, when that destination has no letter table.
 * Buffer: 8 bytes per unit plus 1.
 */
TS_EXPORT int32_t TS_API TS_Unicode2VN(const uint16_t* text, char* result);

/* 1 if `ch` is a capital (A-Z, Đ or a capital Vietnamese letter), else 0. */
TS_EXPORT int32_t TS_API TS_isUniCharUp(uint32_t ch);
/* The lower-case form of `ch` (A-Z and the Vietnamese letters); other characters unchanged. */
TS_EXPORT int32_t TS_API TS_lowerUniChar(uint32_t ch);
/* The capital form of `ch` (a-z and the Vietnamese letters); other characters unchanged. */
TS_EXPORT int32_t TS_API TS_upperUniChar(uint32_t ch);

/* ---- Text utilities ---------------------------------------------------------------- */

/*
 * With 0: returns the default charset of the text utilities (0 until set).  With 1 to 40:
 * makes it the default and returns it.  Anything else returns 0 and changes nothing.
 */
TS_EXPORT unsigned char TS_API TS_defaultCode(uint32_t code);

/*
 * Upper- or lower-cases a text of the default charset in place, byte by byte.  Returns its
 * length, or 0 (text unchanged) when there is no usable default charset.  Letters change
 * where the charset gives the two cases single-byte codes (a charset of base and tone bytes
 * changes both bytes); with "VN Unicode 1" the escapes are left as they are.
 */
TS_EXPORT int32_t TS_API TS_upperStr(char* text);
TS_EXPORT int32_t TS_API TS_lowerStr(char* text);

/*
 * Builds the 7-bit sort key of a text of the default charset (mode 1: dictionary order;
 * 3: Telex tone keys; 'e' (0x65): personal names, last word first).  Returns the key's
 * length.  Selects the pair (default charset, VIQR) as a side effect, unless the default
 * charset is VIQR.  With no usable default charset, writes an empty key and returns 0.
 * Buffer: 3 * strlen(text) + 2 bytes (one byte can give four: TCVN3's ữ is keyed "uz~&").
 */
TS_EXPORT int32_t TS_API TS_vn2str7bit(uint32_t mode, const char* text, char* result);

/*
 * Compares two texts of the default charset in Vietnamese dictionary order: -1, 0 or 1.
 * Selects the pair (default charset, VIQR) as a side effect.  With no usable default
 * charset the texts are compared byte by byte.  A null argument gives 0.
 */
TS_EXPORT int32_t TS_API TS_strcmp(const char* text1, const char* text2);

/* 1 if the byte `ch` ends a word, else 0. */
TS_EXPORT unsigned char TS_API TS_isBreakChar(uint32_t ch);

/*
 * Code 0 returns 44, the number of catalogue entries, and writes nothing (`name` may then
 * be null).  Codes 1 to 44 write the name line " NN   -   Name" and return its length; a
 * null `name` gives 0.  Above 44: 0.
 * Buffer: 32 bytes.
 */
TS_EXPORT int32_t TS_API TS_getNameCode(uint32_t code, char* name);

/* ---- UTF-8, UTF-16 and HTML -------------------------------------------------------- */

/* Writes the UTF-8 bytes of one 16-bit unit and a NUL; returns 1 to 3.  Buffer: 4 bytes. */
TS_EXPORT unsigned char TS_API TS_UTF16toUTF8(uint32_t code, char* out);

/*
 * Decodes the UTF-8 sequence whose lead byte `text` points at, reading at most `available`
 * bytes; stores the number of continuation bytes in *seqLength and returns the value.
 * Returns 0 (and leaves *seqLength) when fewer bytes are available than the sequence needs.
 */
TS_EXPORT int32_t TS_API TS_UTF8toUTF16(const char* text, int32_t* seqLength, int32_t available);

/*
 * Converts an HTML text with the selected pair: words (runs of bytes between blanks, . , < >
 * - and line breaks) are converted, entities decoded before and bytes of 128 and more
 * written as numeric references after (not for UTF-8, destination 41); inside tags the first
 * font name is mapped to the destination's family, or else the charset declaration's value
 * becomes windows-1252.  Words and tags of any length are converted whole; a tag without
 * its ">" at the end is written as it is.  Returns the length of the result.
 * Buffer: 12 * strlen(source) + 16 bytes always suffice.
 */
TS_EXPORT int32_t TS_API TS_htmlConvert(const char* source, char* destination);

/* ---- Fonts, keyboard program, clipboard guard --------------------------------------- */

/*
 * Maps a font name of the source charset's family to the destination's (lists for TCVN3,
 * VISCII, VNI - WIN and VN Unicode 1): by family code, then the code of the entry before,
 * then the family head, then the destination's default name.  An empty name gives the
 * default name.  Returns the length written, or 0 when nothing was written (a name no list
 * holds, letter case counting, or a charset without a list).  Buffer: 32 bytes.
 */
TS_EXPORT int32_t TS_API TS_convertFont(const char* name, char* out);

/*
 * Non-zero mode: switches the desktop's five interface fonts to "TS Sans Serif" (size and
 * style kept), saving the user's own faces first under [Software\Tessaro] of
 * $XDG_CONFIG_HOME/tessaro/registry.ini; a face that already is "TS Sans Serif" is not
 * saved, so a second switch keeps the first saved faces.  Zero: the saved faces come back
 * (they stay saved).  The fonts are GNOME's (gsettings) where it runs, else those of the
 * file $TESSARO_DESKTOP_FONTS or $XDG_CONFIG_HOME/tessaro/desktop-fonts.ini.
 * Returns 0 on success, 1 when the fonts cannot be read or changed or the faces cannot be
 * saved; then nothing has changed.
 */
TS_EXPORT int32_t TS_API TS_sysFont(uint32_t mode);

/*
 * Finds, signals or starts the keyboard program: mode 0 makes sure it runs, 1 starts it
 * with " F" appended to its command line, 2 brings it to the front and opens its window.
 * The program is found by its socket "TessaroKeyboard" in $XDG_RUNTIME_DIR and signalled
 * with the line "WM_COMMAND 3004"; it is started (/bin/sh -c, detached) from the value
 * "path" of the registry file.  Returns 1 when done, 0 when the path is missing or the
 * start fails.
 */
TS_EXPORT unsigned char TS_API TS_run(uint32_t mode);

/* Raises the clipboard guard flag shared with the keyboard program: the first 32-bit word
 * of the 2048-byte file tsclb.map in $TMPDIR (/tmp), mapped shared.  Returns the address of
 * the block, or a null pointer when it cannot be mapped (the file a symbolic link or of
 * another user).  The argument is not read. */
TS_EXPORT void* TS_API TS_noClipboard(int32_t unused);

/* ---- Beyond the 22 functions: guessing a charset ----------------------------------- */

/*
 * Guesses the charset of `length` bytes at `text` (NUL bytes count as bytes; at most the
 * first 65,536 are read): each charset with a letter table reads the text, and the readings
 * are ranked by how Vietnamese they are.  Writes up to `max` guesses, best first: `codes[i]`
 * a charset code and `percent[i]` its confidence, 0 to 100 (60 and more: confident).  A text
 * that is UTF-8 is also read as the carried forms TS_Code2Code takes (code + 64 for a
 * charset carried in UTF-8, 41 + 64 for UTF-8 encoded twice), which follow the plain ones
 * when they read the text alike.
 * Charsets that read the text into the same letters follow one another with the same
 * confidence, the more common first.  Returns the number written; 0 for null pointers, for
 * `max` 0, and for a text in which no charset reads a Vietnamese letter with a mark.  Does
 * not touch the selected pair.
 * Buffers: `codes` and `percent`, `max` bytes each (44 hold every plain answer; a text that
 * may be carried has up to 120).
 */
TS_EXPORT int32_t TS_API TS_detect(const char* text, uint32_t length, uint8_t* codes,
                                   uint8_t* percent, uint32_t max);

/*
 * Whether `length` bytes of UTF-8 at `text` read as legacy text of charset `code` carried in
 * Unicode (each byte shown as its Windows-1252 character, as documents in a font that names
 * no charset hold it): 1 when the engine's repair of that charset's carried form would change
 * the text; 0 when it would leave it: good Unicode, plain ASCII, or text too short or too
 * unlike Vietnamese to tell (such text is best left as it is).  -1 for a null pointer,
 * bytes that are not UTF-8 or a charset without a letter table.  Does not touch the selected
 * pair.
 */
TS_EXPORT int32_t TS_API TS_readsAs(const char* text, uint32_t length, uint32_t code);

#ifdef __cplusplus
}
#endif

#endif /* TSLIB_H */
