#ifndef OGL_VBUF_H
#define OGL_VBUF_H
// Vertex data collected in chains of fixed nodes before their total size is
// known, then packed into one vertex buffer object or one block of memory.
#include <GL/gl.h>
#include <cstdint>
#include "UTL_stat.h"

struct OGL_chunk_node {
	OGL_chunk_node* next;
	int             free_bytes;	// used bytes are the first 1024 - free_bytes of data
	unsigned char   data[1024];
};

struct OGL_subregion {
	OGL_subregion*  next;
	OGL_chunk_node* first_node;
	OGL_chunk_node* cur_node;
	unsigned char*  write_pos;
	int             offset;		// byte offset in the final block, set by calc_offsets

	// Appends whole 32-bit words, chaining new nodes as each one fills.
	// Only while collecting: finalising frees the nodes.
	void append(const uint32_t* words, int count);
};

class OGL_chunkybuffer {
public:
	unsigned char* memory;	// memory mode's block, or the mapped buffer while mapped
	GLuint         vbo;
	int            size;
	OGL_subregion* first_sub;
	OGL_subregion* last_sub;

	OGL_chunkybuffer();
	~OGL_chunkybuffer();

	OGL_subregion* new_subregion();
	void calc_offsets();
	void finalize_vbo(int static_use);
	void finalize_mem();
	void map();
	void unmap();
	int  is_mapped();

private:
	OGL_chunkybuffer(const OGL_chunkybuffer&);	// owns nodes and GL names
	OGL_chunkybuffer& operator=(const OGL_chunkybuffer&);
};

extern UTL_stat g_mem_used;	// bytes held by finalised chunky buffers

#endif
