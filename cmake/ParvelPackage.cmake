# The Debian package: cpack -G DEB in a build folder (or cmake --build --preset deb).
set(CPACK_PACKAGE_NAME parvel)
set(CPACK_PACKAGE_VENDOR "Parvel")
set(CPACK_PACKAGE_CONTACT "Parvel developers <parvel@parvel.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compares two editions of a legal text side by side")
set(CPACK_PACKAGE_INSTALL_DIRECTORY parvel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The pages name these fonts first; the office commands and documents need LibreOffice, which
# the program does without.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-writer, libreoffice-calc, python3-uno")
# The synopsis comes from the summary above; CPack indents these lines and marks the empty ones.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Parvel shows the old edition of a text on the left with every deleted or
replaced passage struck through on pink, and the new edition on the right
with every inserted passage on green. It steps from change to change with
both panes scrolling in step, finds Russian word forms and abbreviations,
prints and saves the marked pages, and copies them into LibreOffice.

Texts open from HTML pages (Windows-1251, UTF-8, UTF-16), plain text and,
through LibreOffice, Word, OpenDocument and RTF documents.

The package also holds parvel-cli, which compares, finds and prints word
forms from the command line.")
include(CPack)
