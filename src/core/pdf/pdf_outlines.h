#pragma once
// The outline (bookmark) tree. The survey report never adds entries; a document that asks for
// outlines carries an empty root, written as "Type" /Outlines and "Count" 0.
#include <memory>
#include <string>
#include <vector>

#include "core/pdf/pdf_doc.h"

namespace ijken::pdf {

// A place in the document: a page shown whole.
class PdfDestination {
public:
    explicit PdfDestination(const PdfDictionary& page);
    // [page /Fit], a fresh array each time.
    std::unique_ptr<PdfArray> GetValue(PdfObjectMgr* object_mgr) const;

private:
    int page_number_;
};

class PdfOutlineEntry : public PdfDictionaryWrapper {
public:
    // A new entry as the last child of the parent; a null parent raises
    // "CreateEntry --invalid parent.".
    explicit PdfOutlineEntry(PdfOutlineEntry* parent);
    ~PdfOutlineEntry() override;

    // Makes a child at the end of this entry's children; owned by this entry.
    PdfOutlineEntry& AddChild();

    PdfOutlineEntry* Parent() const { return parent_; }
    PdfOutlineEntry* Next() const { return next_; }
    PdfOutlineEntry* Prev() const { return prev_; }
    PdfOutlineEntry* First() const { return first_; }
    PdfOutlineEntry* Last() const { return last_; }
    PdfDoc& Doc() const { return *doc_; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    PdfDestination* Dest() const { return dest_.get(); }
    void SetDest(std::unique_ptr<PdfDestination> dest) { dest_ = std::move(dest); }
    bool Opened() const { return opened_; }
    void SetOpened(bool opened) { opened_ = opened; }
    // The number of entries below this one that a reader shows (set by Save).
    int Count() const { return count_; }

    // Writes the entry's keys into its dictionary, and those of every entry below it.
    virtual void Save();

protected:
    PdfOutlineEntry(PdfDoc& doc, PdfXref& xref);  // the root
    void save_children();
    PdfXref& xref() const { return *xref_; }

private:
    PdfOutlineEntry* parent_ = nullptr;
    PdfOutlineEntry* next_ = nullptr;
    PdfOutlineEntry* prev_ = nullptr;
    PdfOutlineEntry* first_ = nullptr;
    PdfOutlineEntry* last_ = nullptr;
    PdfDoc* doc_ = nullptr;
    PdfXref* xref_ = nullptr;
    std::string title_;
    std::unique_ptr<PdfDestination> dest_;
    bool opened_ = false;
    int count_ = 0;
    std::vector<std::unique_ptr<PdfOutlineEntry>> children_;
};

class PdfOutlineRoot : public PdfOutlineEntry {
public:
    // Registers the root dictionary ("Type" /Outlines) in the document's table at once.
    PdfOutlineRoot(PdfDoc& doc, PdfXref& xref);
    void Save() override;
};

}  // namespace ijken::pdf
