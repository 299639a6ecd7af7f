/* Quorvel's C interface: engine sessions, output planning, configuration,
 * word lists and charset conversion.
 *
 * Strings passed in are NUL-terminated UTF-8; invalid sequences are read as
 * U+FFFD. Strings returned belong to the session and stay valid until the
 * next call on the same session that writes the same result slot, or until
 * qvl_session_free; never free them. A NULL session or required pointer
 * gives the neutral result (a zeroed QvlAction, NULL, false, 0, or -1 for
 * offsets). Calls on one session must not overlap; separate sessions may be
 * used from separate threads. */
#ifndef QVL_H
#define QVL_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define QVL_API __attribute__((visibility("default")))
#else
#define QVL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QvlSession QvlSession;

#define QVL_ACTION_PASS 0u
#define QVL_ACTION_PREEDIT 1u
#define QVL_ACTION_REPLACE 2u
#define QVL_ACTION_COMMIT 3u

/* What the application's text should become. The all-zero record is Pass. */
typedef struct QvlAction {
  uint32_t kind;         /* QVL_ACTION_* */
  uint32_t delete_utf16; /* Replace: UTF-16 units to remove before the cursor */
  uint32_t cursor_utf16; /* Preedit: caret position inside text */
  bool forward_key;      /* Replace, Commit: deliver the key after the edit */
  const char* text;      /* NULL for Pass; slot "action text" */
} QvlAction;

#define QVL_PLAN_NONE 0u
#define QVL_PLAN_PREEDIT 1u
#define QVL_PLAN_COMMIT 2u
#define QVL_PLAN_REPLACE 3u
#define QVL_PLAN_FAIL_SAFE 4u

/* How to carry an action out against the field's text. */
typedef struct QvlPlan {
  uint32_t kind; /* QVL_PLAN_* */
  uint32_t delete_utf16;
  uint32_t delete_chars;
  uint32_t cursor_utf16;
  uint32_t wait_ms; /* Replace: wait between deleting and committing */
  bool forward_key;
  const char* text; /* NULL when empty; slot "plan text" */
} QvlPlan;

#define QVL_OUTPUT_PREEDIT 0u
#define QVL_OUTPUT_REPLACE 1u

#define QVL_FIELD_NORMAL 0u
#define QVL_FIELD_PASSWORD 1u
#define QVL_FIELD_NUMBER 2u
#define QVL_FIELD_EMAIL 3u
#define QVL_FIELD_URL 4u
#define QVL_FIELD_TERMINAL 5u

#define QVL_FALLBACK_OFF 0u
#define QVL_FALLBACK_WHEN_SURROUNDING 1u
#define QVL_FALLBACK_ALWAYS 2u

/* Sessions. config_json is a complete configuration document or NULL for
 * the defaults; NULL is returned when it does not parse. */
QVL_API QvlSession* qvl_session_new(const char* config_json, uint32_t output_mode);
QVL_API void qvl_session_free(QvlSession* session);

QVL_API QvlAction qvl_process_key(QvlSession* session, const char* key_name, bool ctrl, bool alt,
                                  bool super);
QVL_API QvlAction qvl_process_char(QvlSession* session, uint32_t code_point, bool ctrl, bool alt,
                                   bool super);
QVL_API void qvl_reset(QvlSession* session);
QVL_API QvlAction qvl_flush(QvlSession* session);
QVL_API QvlAction qvl_focus_changed(QvlSession* session, const char* app_id);
QVL_API QvlAction qvl_cursor_moved(QvlSession* session);
QVL_API void qvl_set_surrounding_text(QvlSession* session, const char* text_before_cursor);
QVL_API QvlAction qvl_set_field_kind(QvlSession* session, uint32_t field_kind);
QVL_API QvlAction qvl_set_output_mode(QvlSession* session, uint32_t output_mode);
QVL_API QvlAction qvl_toggle_vietnamese(QvlSession* session);
QVL_API bool qvl_is_enabled(QvlSession* session);
QVL_API const char* qvl_display_text(QvlSession* session);

/* The profile resolved for the focused application. Output mode: 0 unset,
 * 1 preedit, 2 replace. */
QVL_API uint32_t qvl_profile_output_mode(QvlSession* session);
QVL_API uint32_t qvl_profile_backspace_delay_ms(QvlSession* session);
QVL_API uint32_t qvl_profile_delay_per_char_ms(QvlSession* session);
QVL_API bool qvl_profile_wait_ack(QvlSession* session);

/* Planning. Returns false and leaves out untouched on bad arguments. */
QVL_API bool qvl_plan_action(QvlSession* session, const QvlAction* action, uint32_t field_kind,
                             const char* before_text, const char* surrounding_text,
                             uint32_t cursor_utf16, uint32_t anchor_utf16, bool trusted,
                             QvlPlan* out);
QVL_API bool qvl_plan_action_with_fallback(QvlSession* session, const QvlAction* action,
                                           uint32_t field_kind, const char* before_text,
                                           const char* surrounding_text, uint32_t cursor_utf16,
                                           uint32_t anchor_utf16, bool trusted, uint32_t fallback,
                                           QvlPlan* out);

/* Offsets; -1 when the position does not exist or text is NULL. */
QVL_API int32_t qvl_char_to_byte_offset(const char* text, uint32_t chars);
QVL_API int32_t qvl_char_to_utf16_offset(const char* text, uint32_t chars);
QVL_API int32_t qvl_utf16_to_byte_offset(const char* text, uint32_t utf16_units);
QVL_API bool qvl_is_word_codepoint(uint32_t code_point);

/* The library version; a static string. */
QVL_API const char* qvl_version(void);

/* Configuration. The two JSON getters share one slot. */
QVL_API const char* qvl_config_json(QvlSession* session);
QVL_API const char* qvl_app_profile_json(QvlSession* session);
QVL_API bool qvl_set_config_json(QvlSession* session, const char* patch_json);
QVL_API bool qvl_apply_config_json(QvlSession* session, const char* patch_json, QvlAction* out);
QVL_API uint64_t qvl_config_version(QvlSession* session);
/* Checks a whole configuration document without applying it: NULL when it
 * is accepted, otherwise why not (slot of the JSON getters). */
QVL_API const char* qvl_config_check(QvlSession* session, const char* config_json);

/* Word lists, split at white space and lower-cased. */
QVL_API void qvl_load_dictionary(QvlSession* session, const char* english, const char* vietnamese);
QVL_API void qvl_add_dictionary_words(QvlSession* session, const char* text, bool vietnamese);

/* Charsets. Names are any accepted spelling; an unknown name means Unicode. */
QVL_API const char* qvl_charset_encode(QvlSession* session, const char* charset, const char* text);
QVL_API const char* qvl_charset_decode(QvlSession* session, const char* charset, const char* text);
QVL_API const char* qvl_charset_decode_bytes(QvlSession* session, const char* charset,
                                             const uint8_t* data, size_t length);
/* Not NUL-terminated; may hold zero bytes. */
QVL_API const uint8_t* qvl_charset_encode_bytes(QvlSession* session, const char* charset,
                                                const char* text, size_t* out_length);
/* One line per charset: identifier, tab, display name, line feed. Static. */
QVL_API const char* qvl_charset_list(void);

#ifdef __cplusplus
}
#endif

#endif /* QVL_H */
