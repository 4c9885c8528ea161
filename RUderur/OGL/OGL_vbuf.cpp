// Chunky vertex buffers: collecting costs one allocation per node and no
// copying; the one copy happens at finalising, in subregion and node order.
#include "OGL_vbuf.h"
#include "OGL_extensions.h"
#include "UTL_alert.h"
#include "UTL_translate.h"
#include <cstdlib>
#include <cstring>

UTL_stat g_mem_used("memory/chunky_buffers", stat_memory, 0);

static OGL_chunk_node* new_node()
{
	OGL_chunk_node* n = static_cast<OGL_chunk_node*>(malloc(sizeof(OGL_chunk_node)));
	n->next = nullptr;
	n->free_bytes = (int)sizeof(n->data);
	return n;
}

static int used_bytes(const OGL_chunk_node* n) { return (int)sizeof(n->data) - n->free_bytes; }

void OGL_subregion::append(const uint32_t* words, int count)
{
	if (!cur_node) return;	// finalised: nothing left to write into
	for (int i = 0; i < count; ++i) {
		if (cur_node->free_bytes < 4) {
			OGL_chunk_node* n = new_node();
			cur_node->next = n;
			cur_node = n;
			write_pos = n->data;
		}
		memcpy(write_pos, &words[i], 4);
		write_pos += 4;
		cur_node->free_bytes -= 4;
	}
}

OGL_chunkybuffer::OGL_chunkybuffer() : memory(nullptr), vbo(0), size(0), first_sub(nullptr), last_sub(nullptr) {}

OGL_subregion* OGL_chunkybuffer::new_subregion()
{
	OGL_subregion* s = static_cast<OGL_subregion*>(malloc(sizeof(OGL_subregion)));
	s->next = nullptr;
	s->first_node = s->cur_node = new_node();
	s->write_pos = s->first_node->data;
	s->offset = 0;
	if (last_sub) last_sub->next = s;
	else first_sub = s;
	last_sub = s;
	return s;
}

void OGL_chunkybuffer::calc_offsets()
{
	size = 0;
	for (OGL_subregion* s = first_sub; s; s = s->next) {
		s->offset = size;
		for (OGL_chunk_node* n = s->first_node; n; n = n->next) size += used_bytes(n);
	}
}

// Hands every node's bytes to put(offset, bytes, count) in order and frees the nodes.
template <class Put>
static void drain_nodes(OGL_subregion* first, Put put)
{
	int at = 0;
	for (OGL_subregion* s = first; s; s = s->next) {
		OGL_chunk_node* n = s->first_node;
		while (n) {
			OGL_chunk_node* next = n->next;
			put(at, n->data, used_bytes(n));
			at += used_bytes(n);
			free(n);
			n = next;
		}
		s->first_node = s->cur_node = nullptr;
		s->write_pos = nullptr;
	}
}

void OGL_chunkybuffer::finalize_vbo(int static_use)
{
	if (vbo || memory) return;	// finalised already: the nodes are gone
	// Without buffer objects the entry points are null: keep the data in memory.
	if (!glExt.vbo_avail || !glExt.glGenBuffersARB || !glExt.glBindBufferARB || !glExt.glBufferDataARB ||
	    !glExt.glBufferSubDataARB) {
		finalize_mem();
		return;
	}
	calc_offsets();
	g_mem_used.value += size;
	glExt.glGenBuffersARB(1, &vbo);
	GLint was = 0;
	glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &was);
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, vbo);
	glExt.glBufferDataARB(GL_ARRAY_BUFFER_ARB, size, nullptr, static_use ? GL_STATIC_DRAW_ARB : GL_STREAM_DRAW_ARB);
	memory = nullptr;
	drain_nodes(first_sub, [](int at, const unsigned char* bytes, int count) {
		if (count) glExt.glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, at, count, bytes);
	});
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, (GLuint)was);
}

void OGL_chunkybuffer::finalize_mem()
{
	if (vbo || memory) return;
	calc_offsets();
	g_mem_used.value += size;
	memory = static_cast<unsigned char*>(malloc(size > 0 ? size : 4));
	unsigned char* block = memory;
	drain_nodes(first_sub, [block](int at, const unsigned char* bytes, int count) {
		for (int i = 0; i + 4 <= count; i += 4) memcpy(block + at + i, bytes + i, 4);
	});
}

void OGL_chunkybuffer::map()
{
	if (!vbo) return;
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, vbo);
	void* p = glExt.glMapBufferARB(GL_ARRAY_BUFFER_ARB, GL_READ_WRITE_ARB);
	if (!p)
		__MACIBM_alert(0, UTL_translate_string("Vantor has run out of video card memory.", 0),
		               UTL_translate_string("I was unable to shift the scenery.", 0),
		               UTL_translate_string("Try running Vantor with lower rendering settings.", 0),
		               UTL_translate_string("If that does not help, please report this to Tarrowfield!", 0),
		               t_exit, "RUderur/OGL/OGL_ChunkyBuffer", 186);
	memory = static_cast<unsigned char*>(p);
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

void OGL_chunkybuffer::unmap()
{
	if (!vbo) return;
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, vbo);
	glExt.glUnmapBufferARB(GL_ARRAY_BUFFER_ARB);
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
	memory = nullptr;
}

int OGL_chunkybuffer::is_mapped()
{
	return vbo != 0 && memory != nullptr;
}

OGL_chunkybuffer::~OGL_chunkybuffer()
{
	// Only what finalising added comes off the statistic.
	const bool finalised = vbo != 0 || memory != nullptr;
	if (vbo) {
		if (is_mapped()) unmap();	// the mapping is GL's, not ours to free
		OGL_bind_vbo(0);
		OGL_bind_vbo_ind(0);
		glExt.glDeleteBuffersARB(1, &vbo);
	} else {
		free(memory);
	}
	for (OGL_subregion* s = first_sub; s;) {
		for (OGL_chunk_node* n = s->first_node; n;) {
			OGL_chunk_node* next = n->next;
			free(n);
			n = next;
		}
		OGL_subregion* next = s->next;
		free(s);
		s = next;
	}
	if (finalised) g_mem_used.value -= size;
}
