#pragma once

#include <QString>

// The text of the help window: an introduction and one section per menu button of the main window.
namespace HelpText {

constexpr int intNumHeadings = 14;

// Heading line of section index (1..14); empty outside that range.
QString Heading(int index);

// Number of characters marked when the help opens at section index (1..14); 0 outside that range.
int SelectionLength(int index);

// Where section index (1..14) ends in text: just after its last paragraph, before the line breaks that lead
// to the next heading. -1 when the text does not hold the section.
qsizetype SectionEnd(const QString& text, int index);

// The whole help text, paragraphs separated by CR LF. Every section starts with its heading line.
QString Build();

// The statement of authorship shown by the "Author" button.
QString Credits();

} // namespace HelpText
