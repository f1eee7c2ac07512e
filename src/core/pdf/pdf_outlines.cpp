#include "core/pdf/pdf_outlines.h"

#include "core/pdf/pdf_exceptions.h"

namespace ijken::pdf {

PdfDestination::PdfDestination(const PdfDictionary& page) : page_number_(page.ObjectNumber()) {
    if (page.ObjectType() != PdfObjectType::otIndirectObject) {
        throw PdfInvalidValue("PdfDestination --the page is not registered.");
    }
}

std::unique_ptr<PdfArray> PdfDestination::GetValue(PdfObjectMgr* object_mgr) const {
    auto array = std::make_unique<PdfArray>(object_mgr);
    array->Append(PdfVirtualObject::CreateVirtual(page_number_));
    array->Append(std::make_unique<PdfName>("Fit"));
    return array;
}

namespace {
PdfOutlineEntry* checked_parent(PdfOutlineEntry* parent) {
    if (!parent) throw PdfException("CreateEntry --invalid parent.");
    return parent;
}
}  // namespace

PdfOutlineEntry::PdfOutlineEntry(PdfOutlineEntry* parent)
    : parent_(checked_parent(parent)), doc_(&parent->Doc()), xref_(&parent->xref()) {
    SetData(xref_->Add(std::make_unique<PdfDictionary>(xref_)));
}

PdfOutlineEntry::PdfOutlineEntry(PdfDoc& doc, PdfXref& xref) : doc_(&doc), xref_(&xref), opened_(true) {
    auto* dict = xref.Add(std::make_unique<PdfDictionary>(&xref));
    dict->Put("Type", std::make_unique<PdfName>("Outlines"));
    SetData(dict);
}

PdfOutlineEntry::~PdfOutlineEntry() = default;

PdfOutlineEntry& PdfOutlineEntry::AddChild() {
    auto child = std::make_unique<PdfOutlineEntry>(this);
    PdfOutlineEntry* raw = child.get();
    if (last_) {
        last_->next_ = raw;
        raw->prev_ = last_;
    } else {
        first_ = raw;
    }
    last_ = raw;
    children_.push_back(std::move(child));
    return *raw;
}

void PdfOutlineEntry::save_children() {
    count_ = 0;
    for (const auto& child : children_) {
        child->Save();
        count_ += 1 + (child->opened_ ? child->count_ : 0);
    }
    PdfDictionary& dict = *Data();
    if (first_) {
        dict.Put("First", *first_->Data());
        dict.Put("Last", *last_->Data());
    } else {
        dict.Remove("First");
        dict.Remove("Last");
    }
}

void PdfOutlineEntry::Save() {
    save_children();
    PdfDictionary& dict = *Data();
    dict.Put("Title", std::make_unique<PdfText>(title_));
    dict.Put("Parent", *parent_->Data());
    if (prev_) dict.Put("Prev", *prev_->Data());
    if (next_) dict.Put("Next", *next_->Data());
    if (dest_) {
        dict.Put("Dest", dest_->GetValue(xref_));
    } else {
        dict.Remove("Dest");
    }
    if (first_) {
        dict.Put("Count", std::make_unique<PdfNumber>(opened_ ? count_ : -count_));
    } else {
        dict.Remove("Count");
    }
}

PdfOutlineRoot::PdfOutlineRoot(PdfDoc& doc, PdfXref& xref) : PdfOutlineEntry(doc, xref) {}

void PdfOutlineRoot::Save() {
    save_children();
    Data()->Put("Count", std::make_unique<PdfNumber>(Count()));
}

}  // namespace ijken::pdf
