#ifndef MODULESYMBOLS_H
#define MODULESYMBOLS_H

// What a built module offers the dynamic linker, read from its file.
#include <QByteArray>
#include <QSet>

#include <elf.h>

namespace ModuleSymbols {

// The defined functions and data in a 64-bit ELF image's dynamic symbol table
// with this binding (STB_GLOBAL, STB_WEAK); none when the image is not one.
inline QSet<QByteArray> exported(const QByteArray &image, int binding)
{
    QSet<QByteArray> names;
    const char *base = image.constData();
    const auto *header = reinterpret_cast<const Elf64_Ehdr *>(base);
    if (image.size() < int(sizeof(Elf64_Ehdr)) || !image.startsWith(ELFMAG)
        || image.at(EI_CLASS) != ELFCLASS64
        || qint64(header->e_shoff) + header->e_shnum * qint64(sizeof(Elf64_Shdr)) > image.size())
        return names;
    const auto *sections = reinterpret_cast<const Elf64_Shdr *>(base + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM || sections[i].sh_link >= header->e_shnum)
            continue;
        const char *strings = base + sections[sections[i].sh_link].sh_offset;
        const auto *symbols = reinterpret_cast<const Elf64_Sym *>(base + sections[i].sh_offset);
        for (quint64 s = 0; s < sections[i].sh_size / sizeof(Elf64_Sym); ++s) {
            const int type = ELF64_ST_TYPE(symbols[s].st_info);
            if (symbols[s].st_shndx != SHN_UNDEF && ELF64_ST_BIND(symbols[s].st_info) == binding
                && (type == STT_FUNC || type == STT_OBJECT || type == STT_GNU_IFUNC))
                names.insert(QByteArray(strings + symbols[s].st_name));
        }
    }
    return names;
}

} // namespace ModuleSymbols

#endif // MODULESYMBOLS_H
