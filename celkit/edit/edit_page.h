// The edit page: page/edit.html with page/edit.css and page/edit.js set
// into it, made into a C++ source at build time (embed_page.cmake). One
// document, so the page needs nothing more from the server than its data.
#ifndef CELKIT_EDIT_EDIT_PAGE_H
#define CELKIT_EDIT_EDIT_PAGE_H

#include <string_view>

namespace celkit {

std::string_view editPage();

}  // namespace celkit

#endif
