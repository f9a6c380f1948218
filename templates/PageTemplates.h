// The two built-in page templates. Each text is read-only, ends at its first
// zero byte and is available for the whole run.
#pragma once

struct PageTemplate {
  const char* Head;  // from the first byte of the page to the table body's opening tag
  const char* Tail;  // closes the table body, adds the footer and the search script
};

extern const PageTemplate LightPageTemplate;
extern const PageTemplate DarkPageTemplate;
