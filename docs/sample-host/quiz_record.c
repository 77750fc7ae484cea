/* quiz_record.c: decoding a question module's record (quiz_record.h). */
#include "quiz_record.h"

/* Code page 1252 (Western European), the record's encoding on every
 * machine, whatever the machine's own ANSI code page. */
#define QUIZ_RECORD_CODE_PAGE 1252

BOOL quiz_record_decode(const char *bytes, DWORD size, QuizRecord *record) {
  ZeroMemory(record, sizeof *record);
  if (size == 0 || size > 65536) {
    return FALSE;
  }
  /* Code page 1252 has one character per byte: decoded first, the line
   * keeps its layout, and each field is cut out of it in place. */
  int length = MultiByteToWideChar(QUIZ_RECORD_CODE_PAGE, 0, bytes, (int)size, NULL, 0);
  record->text = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)(length + 1) * sizeof(WCHAR));
  if (length == 0 || record->text == NULL) {
    quiz_record_free(record);
    return FALSE;
  }
  MultiByteToWideChar(QUIZ_RECORD_CODE_PAGE, 0, bytes, (int)size, record->text, length);
  record->text[length] = L'\0';

  WCHAR *at = record->text;
  for (int i = 0; i < QUIZ_FIELD_COUNT; ++i) {
    if (*at != L'"') {
      break;
    }
    /* A field runs to the next double quote: commas inside are its own. */
    WCHAR *end = wcschr(at + 1, L'"');
    if (end == NULL) {
      break;
    }
    record->field[i] = at + 1;
    *end = L'\0';
    at = end + 1;
    if (i + 1 < QUIZ_FIELD_COUNT) {
      if (*at != L',') {
        break;
      }
      ++at;
    }
  }
  if (record->field[QUIZ_FIELD_COUNT - 1] == NULL || wcscmp(at, L"\r\n") != 0) {
    quiz_record_free(record);
    return FALSE;
  }
  return TRUE;
}

void quiz_record_free(QuizRecord *record) {
  if (record->text != NULL) {
    HeapFree(GetProcessHeap(), 0, record->text);
  }
  ZeroMemory(record, sizeof *record);
}

LPCWSTR quiz_resource_id(const WCHAR *field) {
  if (field[0] == L'\0') {
    return field;
  }
  for (const WCHAR *c = field; *c != L'\0'; ++c) {
    if (*c < L'0' || *c > L'9') {
      return field;
    }
  }
  return MAKEINTRESOURCEW(_wtoi(field));
}
