#include "driver/link_options.h"

#include <cstdlib>
#include <cstring>

#include "driver/messages.h"

LinkOptions linkOptions;
char scratchPath[textCapacity];

namespace {

struct StartUpValues {
    StartUpValues() { resetLinkOptions(); }
} startUpValues;

void freeSymbols(SymbolList* list) {
    while (list->head) {
        SymbolNode* next = list->head->next;
        std::free(list->head);
        list->head = next;
    }
}

void freeNames(NameList* list) {
    while (list->head) {
        NameNode* next = list->head->next;
        std::free(list->head);
        list->head = next;
    }
    list->tail = nullptr;
}

SymbolNode* newSymbolNode(const char* symbol) {
    size_t length = std::strlen(symbol);
    SymbolNode* node = static_cast<SymbolNode*>(std::malloc(sizeof(SymbolNode) + length));
    if (!node)
        fatalError(msgNotEnoughMemory);
    node->next = nullptr;
    std::memcpy(node->text, symbol, length + 1);
    return node;
}

} // namespace

void resetLinkOptions() {
    freeSymbols(&linkOptions.includeSymbols);
    freeSymbols(&linkOptions.excludeSymbols);
    freeNames(&linkOptions.objectFiles);
    freeNames(&linkOptions.libraries);
    freeNames(&linkOptions.otherInputs);
    std::free(linkOptions.definitionFile);
    linkOptions = LinkOptions();
    linkOptions.linkSystemPrograms = 1;
    linkOptions.singleThreaded = 1;
    linkOptions.useGeneratedDefinitionFile = 1;
    std::strcpy(linkOptions.staticRuntimeLetters, "BS");
    std::strcpy(linkOptions.importedThreadLetter, "S");
}

void addIncludeSymbol(const char* symbol) {
    SymbolNode* node = newSymbolNode(symbol);
    SymbolNode** link = &linkOptions.includeSymbols.head;
    while (*link)
        link = &(*link)->next;
    *link = node;
}

void addExcludeSymbol(const char* symbol) {
    SymbolNode* node = newSymbolNode(symbol);
    node->next = linkOptions.excludeSymbols.head;
    linkOptions.excludeSymbols.head = node;
}

void appendName(NameList* list, const char* name) {
    size_t length = std::strlen(name);
    NameNode* node = static_cast<NameNode*>(std::malloc(sizeof(NameNode) + length + 1));
    if (!node)
        fatalError(msgNotEnoughMemory);
    node->text = reinterpret_cast<char*>(node + 1);
    std::memcpy(node->text, name, length + 1);
    node->next = nullptr;
    if (list->tail)
        list->tail->next = node;
    else
        list->head = node;
    list->tail = node;
}
