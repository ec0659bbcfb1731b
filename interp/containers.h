// Small containers the interpreter keeps for the whole run: a growable text, a pooled list of
// pointers and the list of the program's named numbers. All report allocation failure by their
// result instead of throwing, because the interpreter turns it into error 2.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrun {

// Growable zero-terminated byte string. Growing reserves the needed size plus 100 bytes.
class TextBuffer {
public:
    TextBuffer() = default;
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Replaces the contents with the first length bytes of text; false when memory runs out.
    bool assign(const char* text, std::size_t length);
    bool assign(const char* text);
    // Appends the first length bytes of text; false when memory runs out.
    bool append(const char* text, std::size_t length);
    bool append(const char* text);
    void clear();
    void release();

    const char* c_str() const { return data_ ? data_ : ""; }
    char* data() { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

private:
    bool reserve(std::size_t needed);
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Doubly linked list of pointers. Nodes come from blocks of ten that are kept until the list is
// destroyed, so pushing and popping in a steady state allocates nothing.
class PtrList {
public:
    PtrList() = default;
    ~PtrList();
    PtrList(const PtrList&) = delete;
    PtrList& operator=(const PtrList&) = delete;

    bool addHead(void* value);
    bool addTail(void* value);
    void* removeHead();  // null when empty
    void* removeTail();  // null when empty
    bool remove(void* value);  // removes the first node holding value
    bool replace(void* oldValue, void* newValue);  // every node holding oldValue; false when none
    void removeAll();

    bool empty() const { return count_ == 0; }
    std::size_t count() const { return count_; }
    void* head() const;
    void* tail() const;

    // Walks from the oldest (head) to the newest (tail) node.
    template <typename Fn>
    void forEach(Fn fn) const {
        for (Node* n = head_; n; n = n->next) fn(n->value);
    }

private:
    struct Node {
        Node* prev;
        Node* next;
        void* value;
    };
    struct Block;
    Node* takeNode();
    void giveNode(Node* node);

    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    Node* free_ = nullptr;
    Block* blocks_ = nullptr;
    std::size_t count_ = 0;
};

// The program's named numbers: upper-case names of at most 30 characters with 32-bit values.
class SymbolList {
public:
    SymbolList() = default;
    ~SymbolList();
    SymbolList(const SymbolList&) = delete;
    SymbolList& operator=(const SymbolList&) = delete;

    // Defines or redefines name; false when memory runs out.
    bool define(const char* name, std::size_t length, std::int32_t value);
    // Looks name up without regard to case; false when it is not defined.
    bool find(const char* name, std::size_t length, std::int32_t& value) const;
    void removeAll();

private:
    struct Entry {
        Entry* next;
        char name[32];
        std::int32_t value;
    };
    Entry* first_ = nullptr;
};

}  // namespace kestrun
