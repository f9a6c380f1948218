// The built-in page texts. Each text is read-only, ends at its first zero
// byte and is available for the whole run. Pages declare utf-8.
#pragma once

#include <cstddef>

struct PageTemplate {
  const char* Head;  // from the first byte of the page to the table body's opening tag
  // Closes the table body, adds the footer and the search script, which
  // compares the typed text and each row's text in Unicode NFC, so that a
  // name stored decomposed is found by typing the composed letter.
  const char* Tail;
};

extern const PageTemplate LightPageTemplate;
extern const PageTemplate DarkPageTemplate;

// The form of a page that lists more files than a table of one element per
// row can hold: the head of either theme, then Open (the end of the empty
// table and the script that draws the rows in view from the data), the
// listing as data, and Close (the footer and the end of the page).
struct LargeListingTemplate {
  const char* Open;
  const char* Close;
};

extern const LargeListingTemplate LargeListing;
