/* quiz_record.h: what a quiz host needs to drive a question module of
 * "Quiz musical" and read its record. See host-guide.txt beside the modules.
 *
 * The exchange, in short:
 *   1. write QUIZ_REQUEST into question.qzd, in the module's folder, and
 *      close the file;
 *   2. start the module's executable and wait for it to end, at most
 *      QUIZ_WAIT_LIMIT_MS;
 *   3. on exit code QUIZ_EXIT_OK (or QUIZ_EXIT_SOUND_FAILED), question.qzd
 *      holds the module's record:
 *      one line in code page 1252, ended by CR LF, of nine fields, each
 *      between double quotes, separated by commas:
 *
 *   "Quel est le nom de cette note?","Mi","Do","La","Fa","2","15_Do","15_Do","Treble7.exe"
 *
 * A field never holds a double quote, a CR or a LF, but it may hold commas
 * ("Bach, Haendel") and blanks at either end, which belong to it: split the
 * line at the quotes, never at every comma. Decode it from code page 1252
 * whatever the machine's own code page is.
 *
 * Plain C (C99) for Windows: mingw-w64 or Microsoft C, 32- or 64-bit. */
#ifndef QUIZ_RECORD_H
#define QUIZ_RECORD_H

#include <windows.h>

/* The exchange file, beside the module's executable. */
#define QUIZ_EXCHANGE_FILE L"question.qzd"

/* A request: any record of at least nine fields. Its values are never
 * used; without it the module fails. */
#define QUIZ_REQUEST "\"qz\",\"question\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"

/* How long to wait for a module: the longest lives about 10 s. Past it,
 * close the module's window (WM_CLOSE to the process's window of class
 * Form_jeu, or to its message box, class #32770), again every
 * QUIZ_CLOSE_REPEAT_MS, for QUIZ_CLOSE_WAIT_MS at most: a module closed so
 * ends at once, with its sound stopped. */
#define QUIZ_WAIT_LIMIT_MS 20000
#define QUIZ_CLOSE_WAIT_MS 2000
#define QUIZ_CLOSE_REPEAT_MS 50

/* Exit codes. */
#define QUIZ_EXIT_OK 0           /* question.qzd holds the module's record */
#define QUIZ_EXIT_FAILED 1       /* question.qzd still holds the host's own record */
#define QUIZ_EXIT_SOUND_FAILED 2 /* the module's record, whose sound could not be played */

/* The nine fields, in their order on the line. */
enum QuizField {
  QUIZ_QUESTION, /* the question */
  QUIZ_ANSWER_1, /* the answers, in the order to show them */
  QUIZ_ANSWER_2,
  QUIZ_ANSWER_3,
  QUIZ_ANSWER_4,     /* empty for a three-answer question */
  QUIZ_RIGHT_ANSWER, /* "1" to "4": the place of the right answer */
  QUIZ_PICTURE,      /* the picture: an IMAGES resource of QUIZ_PICTURE_FILE;
                        digits are an integer identifier ("100" is the
                        blank picture), anything else a resource name,
                        in any letter case */
  QUIZ_SOUND,        /* the sound the module plays itself (a DMSEG
                        resource), "non" for none */
  QUIZ_PICTURE_FILE, /* the module file that holds the picture, in the
                        module's folder: "Treble7.exe" */
  QUIZ_FIELD_COUNT
};

/* A decoded record: each field in UTF-16, without its quotes. */
typedef struct QuizRecord {
  WCHAR *field[QUIZ_FIELD_COUNT];
  WCHAR *text; /* the fields point into this buffer */
} QuizRecord;

/* Decodes the `size` bytes of question.qzd into `record`. Returns FALSE,
 * with nothing to free, when they are not one whole record. */
BOOL quiz_record_decode(const char *bytes, DWORD size, QuizRecord *record);

/* Frees what quiz_record_decode made. */
void quiz_record_free(QuizRecord *record);

/* The resource identifier that FindResourceW takes for a QUIZ_PICTURE
 * field: MAKEINTRESOURCEW(number) for digits, the name itself otherwise. */
LPCWSTR quiz_resource_id(const WCHAR *field);

#endif
