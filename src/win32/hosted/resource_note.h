/* Where an ELF module keeps its resources: the resource compiler's .res
   image, whole, as the descriptor of one note with this owner and type.
   A note lies in a PT_NOTE segment, so the hosted FindResourceA finds it
   in a loaded module's memory and in a file mapped as data alike. Plain
   macros: the assembler source that makes the note includes this too. */
#pragma once

#define ZELVAN_RESOURCE_NOTE_OWNER "Zelvan"
#define ZELVAN_RESOURCE_NOTE_TYPE 1
