#include "containers.h"

#include <cstdlib>
#include <cstring>

#include "text_util.h"

namespace kestrun {

// ---- TextBuffer ------------------------------------------------------------------------------

TextBuffer::~TextBuffer() { release(); }

bool TextBuffer::reserve(std::size_t needed) {
    if (needed + 1 <= capacity_) return true;
    const std::size_t newCapacity = needed + 1 + 100;
    if (newCapacity < needed) return false;  // size overflow
    char* grown = static_cast<char*>(std::realloc(data_, newCapacity));
    if (!grown) return false;
    data_ = grown;
    capacity_ = newCapacity;
    return true;
}

bool TextBuffer::assign(const char* text, std::size_t length) {
    if (!reserve(length)) return false;
    std::memmove(data_, text, length);
    size_ = length;
    data_[size_] = '\0';
    return true;
}

bool TextBuffer::assign(const char* text) { return assign(text, std::strlen(text)); }

bool TextBuffer::append(const char* text, std::size_t length) {
    if (size_ + length < size_ || !reserve(size_ + length)) return false;
    std::memmove(data_ + size_, text, length);
    size_ += length;
    data_[size_] = '\0';
    return true;
}

bool TextBuffer::append(const char* text) { return append(text, std::strlen(text)); }

void TextBuffer::clear() {
    size_ = 0;
    if (data_) data_[0] = '\0';
}

void TextBuffer::release() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

// ---- PtrList ---------------------------------------------------------------------------------

struct PtrList::Block {
    Block* next;
    Node nodes[10];
};

PtrList::~PtrList() {
    while (blocks_) {
        Block* next = blocks_->next;
        std::free(blocks_);
        blocks_ = next;
    }
}

PtrList::Node* PtrList::takeNode() {
    if (!free_) {
        Block* block = static_cast<Block*>(std::calloc(1, sizeof(Block)));
        if (!block) return nullptr;
        block->next = blocks_;
        blocks_ = block;
        for (Node& n : block->nodes) giveNode(&n);
    }
    Node* node = free_;
    free_ = node->next;
    return node;
}

void PtrList::giveNode(Node* node) {
    node->next = free_;
    node->prev = nullptr;
    node->value = nullptr;
    free_ = node;
}

bool PtrList::addHead(void* value) {
    Node* node = takeNode();
    if (!node) return false;
    node->value = value;
    node->prev = nullptr;
    node->next = head_;
    if (head_) head_->prev = node; else tail_ = node;
    head_ = node;
    ++count_;
    return true;
}

bool PtrList::addTail(void* value) {
    Node* node = takeNode();
    if (!node) return false;
    node->value = value;
    node->next = nullptr;
    node->prev = tail_;
    if (tail_) tail_->next = node; else head_ = node;
    tail_ = node;
    ++count_;
    return true;
}

void* PtrList::removeHead() {
    if (!head_) return nullptr;
    Node* node = head_;
    void* value = node->value;
    head_ = node->next;
    if (head_) head_->prev = nullptr; else tail_ = nullptr;
    giveNode(node);
    --count_;
    return value;
}

void* PtrList::removeTail() {
    if (!tail_) return nullptr;
    Node* node = tail_;
    void* value = node->value;
    tail_ = node->prev;
    if (tail_) tail_->next = nullptr; else head_ = nullptr;
    giveNode(node);
    --count_;
    return value;
}

bool PtrList::remove(void* value) {
    for (Node* n = head_; n; n = n->next) {
        if (n->value != value) continue;
        if (n->prev) n->prev->next = n->next; else head_ = n->next;
        if (n->next) n->next->prev = n->prev; else tail_ = n->prev;
        giveNode(n);
        --count_;
        return true;
    }
    return false;
}

bool PtrList::replace(void* oldValue, void* newValue) {
    bool found = false;
    for (Node* n = head_; n; n = n->next) {
        if (n->value != oldValue) continue;
        n->value = newValue;
        found = true;
    }
    return found;
}

void PtrList::removeAll() {
    while (head_) removeHead();
}

void* PtrList::head() const { return head_ ? head_->value : nullptr; }
void* PtrList::tail() const { return tail_ ? tail_->value : nullptr; }

// ---- SymbolList ------------------------------------------------------------------------------

SymbolList::~SymbolList() { removeAll(); }

bool SymbolList::define(const char* name, std::size_t length, std::int32_t value) {
    if (length > 30) length = 30;
    for (Entry* e = first_; e; e = e->next) {
        if (equalsNoCase(e->name, std::strlen(e->name), name, length)) {
            e->value = value;
            return true;
        }
    }
    Entry* e = static_cast<Entry*>(std::calloc(1, sizeof(Entry)));
    if (!e) return false;
    for (std::size_t i = 0; i < length; ++i) e->name[i] = toUpperAscii(name[i]);
    e->value = value;
    e->next = first_;
    first_ = e;
    return true;
}

bool SymbolList::find(const char* name, std::size_t length, std::int32_t& value) const {
    if (length > 30) length = 30;
    for (const Entry* e = first_; e; e = e->next) {
        if (equalsNoCase(e->name, std::strlen(e->name), name, length)) {
            value = e->value;
            return true;
        }
    }
    return false;
}

void SymbolList::removeAll() {
    while (first_) {
        Entry* next = first_->next;
        std::free(first_);
        first_ = next;
    }
}

}  // namespace kestrun
