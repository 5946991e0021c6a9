#include "driver/link_options.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "driver/messages.h"
#include "driver/tokenizer.h"

LinkOptions linkOptions;
char scratchPath[textCapacity];

namespace {

// Every node is one allocation: the names step releases the symbol nodes as it writes them
// out, resetLinkOptions what the lists still hold.
void* takeNodeStorage(size_t size) {
    void* storage = std::malloc(size);
    if (!storage)
        fatalError(msgNotEnoughMemory);
    return storage;
}

void releaseNames(NameList& list) {
    for (NameNode* node = list.head; node != nullptr;) {
        NameNode* next = node->next;
        std::free(node);
        node = next;
    }
}

void releaseSymbols(SymbolList& list) {
    for (SymbolNode* node = list.head; node != nullptr;) {
        SymbolNode* next = node->next;
        std::free(node);
        node = next;
    }
}

SymbolNode* newSymbolNode(const char* symbol) {
    size_t length = std::strlen(symbol);
    SymbolNode* node = static_cast<SymbolNode*>(takeNodeStorage(sizeof(SymbolNode) + length));
    node->next = nullptr;
    std::memcpy(node->text, symbol, length + 1);
    return node;
}

} // namespace

void resetLinkOptions() {
    LinkOptions& o = linkOptions;
    releaseNames(o.objectFiles);
    releaseNames(o.libraries);
    releaseNames(o.otherInputs);
    releaseSymbols(o.includeSymbols);
    releaseSymbols(o.excludeSymbols);
    std::free(o.definitionFile);
    linkOptions = LinkOptions();
    linkOptions.linkSystemPrograms = 1;
    linkOptions.singleThreaded = 1;
    linkOptions.useGeneratedDefinitionFile = 1;
    std::strcpy(linkOptions.staticRuntimeLetters, "BS");
    std::strcpy(linkOptions.importedThreadLetter, "S");
}

void addIncludeSymbol(const char* symbol) {
    // The chain keeps only its head; its last node is remembered here, so that thousands of
    // -I symbols do not walk the chain once each. The memory holds while the chain still
    // starts where it did when the node was appended (the names step empties the chain, a
    // reset drops it).
    static SymbolNode* rememberedHead = nullptr;
    static SymbolNode* rememberedLast = nullptr;
    SymbolNode* node = newSymbolNode(symbol);
    SymbolList& list = linkOptions.includeSymbols;
    if (list.head == nullptr) {
        list.head = node;
    } else {
        SymbolNode* last = list.head == rememberedHead ? rememberedLast : list.head;
        while (last->next)
            last = last->next;
        last->next = node;
    }
    rememberedHead = list.head;
    rememberedLast = node;
}

void addExcludeSymbol(const char* symbol) {
    SymbolNode* node = newSymbolNode(symbol);
    node->next = linkOptions.excludeSymbols.head;
    linkOptions.excludeSymbols.head = node;
}

namespace {

void appendNode(NameList* list, const char* name, size_t length, bool isWord) {
    NameNode* node = static_cast<NameNode*>(takeNodeStorage(sizeof(NameNode) + length + 1));
    char* text = reinterpret_cast<char*>(node + 1);
    std::memcpy(text, name, length);
    text[length] = '\0';
    node->next = nullptr;
    node->text = text;
    node->length = static_cast<uint32_t>(length);
    node->isWord = isWord;
    if (list->tail)
        list->tail->next = node;
    else
        list->head = node;
    list->tail = node;
}

} // namespace

bool appendWord(NameList* list, const char* name, size_t length) {
    if (length > tokenLimit || !needsNoQuotes(name, length))
        return false;
    appendNode(list, name, length, true);
    return true;
}

void appendNameOfLength(NameList* list, const char* name, size_t length) {
    if (!appendWord(list, name, length))
        appendNode(list, name, length, false);
}

void appendName(NameList* list, const char* name) {
    appendNameOfLength(list, name, std::strlen(name));
}
