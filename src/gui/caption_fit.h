#pragma once
// Captions that are wider than the box the window was designed with: a French or German word,
// a long warning, a figure with more digits than the designer allowed for. Such a label first
// grows (to the right when left-aligned, to the left when right-aligned, to both sides when
// centred) as far as it covers no other control; beyond that its font steps down, and only then
// is its text elided, with the whole text in its tooltip (the accessible name and description
// keep the whole text anyway). A caption that fits is shown exactly as designed.
#include <QLabel>
#include <QRect>
#include <QString>

namespace ijken::gui {

struct CaptionDesign {
    // The designed box in the parent's coordinates. Its width may be 0 for a label that takes
    // the width of its text from one edge (a labelled edit's label, anchored right at x).
    QRect box;
    Qt::Alignment alignment = Qt::AlignLeft;  // horizontal: left, right or centre
    QFont font;                                // the designed font, resolved
    QString text;                              // the whole caption, lines separated by '\n'
    QString hint;                              // the designed tooltip
};

// Records what label was designed as; the next fit_captions of its parent places it.
void set_caption_design(QLabel* label, const CaptionDesign& design);

// Places every label of parent that has a design (its direct children), in the order they were
// made: each at its design where its text fits, else grown, then smaller, then elided. The other
// visible children are what a label must not cover: a label by the part its text takes up, any
// other widget by its whole box.
void fit_captions(QWidget* parent);

// fit_captions for every parent of a designed label within root (root included): after root
// changed its size.
void fit_captions_within(QWidget* root);

// Whether label shows less than its whole caption (elided).
bool caption_elided(const QLabel* label);

}  // namespace ijken::gui
