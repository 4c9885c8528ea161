// Chunky vertex buffers: offsets and packed contents in memory, and the same
// bytes read back from a real buffer object in a GL window (run under Xvfb).
#include "../support/gl_context.h"
#include "OGL_vbuf.h"
#include "OGL_extensions.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <vector>

// Subregion k holds the words k * 100000 + i, i = 0 .. counts[k] - 1.
static void fill(OGL_chunkybuffer& b, const std::vector<int>& counts)
{
	for (size_t k = 0; k < counts.size(); ++k) {
		OGL_subregion* s = b.new_subregion();
		std::vector<uint32_t> w(counts[k]);
		for (int i = 0; i < counts[k]; ++i) w[i] = (uint32_t)(k * 100000 + i);
		// in uneven pieces, so writes straddle node ends
		for (int at = 0; at < counts[k];) {
			const int n = std::min(37, counts[k] - at);
			s->append(w.data() + at, n);
			at += n;
		}
	}
}

static void expect_words(const unsigned char* block, const OGL_chunkybuffer& b, const std::vector<int>& counts)
{
	int k = 0;
	for (OGL_subregion* s = b.first_sub; s; s = s->next, ++k) {
		const uint32_t* w = reinterpret_cast<const uint32_t*>(block + s->offset);
		for (int i = 0; i < counts[k]; ++i) ASSERT_EQ(w[i], (uint32_t)(k * 100000 + i)) << k << " " << i;
	}
}

TEST(Chunky, OffsetsFollowSubregionsAndNodesChainWithoutGaps)
{
	OGL_chunkybuffer b;
	EXPECT_EQ(b.first_sub, nullptr);
	fill(b, {375, 25});	// 1500 and 100 bytes
	b.calc_offsets();
	EXPECT_EQ(b.first_sub->offset, 0);
	EXPECT_EQ(b.first_sub->next->offset, 1500);
	EXPECT_EQ(b.size, 1600);
	// 1500 bytes take two nodes, the second with 476 used
	ASSERT_NE(b.first_sub->first_node->next, nullptr);
	EXPECT_EQ(b.first_sub->first_node->free_bytes, 0);
	EXPECT_EQ(b.first_sub->first_node->next->free_bytes, 1024 - 476);
	EXPECT_EQ(b.first_sub->first_node->next->next, nullptr);
}

TEST(Chunky, MemoryBlockHoldsEverySubregionInOrderAndTheStatisticReturns)
{
	const float before = g_mem_used.value;
	const std::vector<int> counts = {256, 0, 1000, 3};	// a full node, an empty subregion, several nodes
	{
		OGL_chunkybuffer b;
		fill(b, counts);
		b.finalize_mem();
		EXPECT_EQ(b.size, (256 + 1000 + 3) * 4);
		EXPECT_EQ(g_mem_used.value, before + b.size);
		ASSERT_NE(b.memory, nullptr);
		EXPECT_EQ(b.vbo, 0u);
		EXPECT_EQ(b.is_mapped(), 0);	// memory is set, but nothing is mapped
		EXPECT_EQ(b.first_sub->first_node, nullptr);
		EXPECT_EQ(b.first_sub->next->next->offset, 1024);
		expect_words(b.memory, b, counts);
		b.map();	// no buffer object: nothing to map
		EXPECT_EQ(b.is_mapped(), 0);
		// a second finalise must not drop the block it made
		unsigned char* block = b.memory;
		b.finalize_mem();
		EXPECT_EQ(b.memory, block);
		EXPECT_EQ(b.size, (256 + 1000 + 3) * 4);
		EXPECT_EQ(g_mem_used.value, before + b.size);
	}
	EXPECT_EQ(g_mem_used.value, before);

	{
		OGL_chunkybuffer empty;
		empty.finalize_mem();
		EXPECT_EQ(empty.size, 0);
		EXPECT_EQ(g_mem_used.value, before);
	}
	{
		// offsets worked out but never finalised: nothing to take off the statistic
		OGL_chunkybuffer b;
		fill(b, {10});
		b.calc_offsets();
	}
	EXPECT_EQ(g_mem_used.value, before);
}

struct ChunkyGL : ::testing::Test {
	static TG_context     gl;
	static OGL_extensions saved;
	static void SetUpTestSuite()
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) return;
		ASSERT_TRUE(gl.open("chunky", 64, 64)) << gl.error;
		saved = glExt;
	}
	static void TearDownTestSuite() { gl.close(); }
	void SetUp() override
	{
		if (!gl.ctx) GTEST_SKIP() << "no display";
		glExt = saved;
	}
	void TearDown() override { glExt = saved; }
	static GLint array_binding()
	{
		GLint v = 0;
		glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &v);
		return v;
	}
	static GLint usage(GLuint vbo)
	{
		GLint was = array_binding(), u = 0;
		glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, vbo);
		glExt.glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_USAGE_ARB, &u);
		glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, was);
		return u;
	}
};
TG_context     ChunkyGL::gl;
OGL_extensions ChunkyGL::saved;

TEST_F(ChunkyGL, BufferObjectHoldsThePackedBytesAndMapsForRewriting)
{
	ASSERT_TRUE(glExt.vbo_avail);
	const float before = g_mem_used.value;
	const std::vector<int> counts = {375, 25, 700};
	// some other buffer bound: finalising leaves it bound
	GLuint other = 0;
	glExt.glGenBuffersARB(1, &other);
	glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, other);
	{
		OGL_chunkybuffer b;
		fill(b, counts);
		b.finalize_vbo(1);
		EXPECT_EQ(array_binding(), (GLint)other);
		ASSERT_NE(b.vbo, 0u);
		EXPECT_EQ(b.memory, nullptr);
		EXPECT_EQ(b.size, 1100 * 4);
		EXPECT_EQ(g_mem_used.value, before + b.size);
		EXPECT_EQ(usage(b.vbo), GL_STATIC_DRAW_ARB);

		std::vector<unsigned char> back(b.size);
		glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, b.vbo);
		glExt.glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, b.size, back.data());
		expect_words(back.data(), b, counts);

		b.map();
		ASSERT_TRUE(b.is_mapped());
		expect_words(b.memory, b, counts);
		reinterpret_cast<uint32_t*>(b.memory + b.first_sub->next->offset)[0] = 0xDEADBEEF;
		b.unmap();
		EXPECT_FALSE(b.is_mapped());
		uint32_t w = 0;
		glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, b.vbo);
		glExt.glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 1500, 4, &w);
		EXPECT_EQ(w, 0xDEADBEEFu);
		b.map();	// destroyed while mapped: unmapped first, not freed
	}
	EXPECT_EQ(g_mem_used.value, before);
	EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

	OGL_chunkybuffer s;
	fill(s, {5});
	s.finalize_vbo(0);
	EXPECT_EQ(usage(s.vbo), GL_STREAM_DRAW_ARB);
	OGL_chunkybuffer e;
	e.finalize_vbo(1);
	EXPECT_EQ(e.size, 0);
	EXPECT_NE(e.vbo, 0u);
	EXPECT_EQ(g_mem_used.value, before + 20);
	glExt.glDeleteBuffersARB(1, &other);
}

TEST_F(ChunkyGL, WithoutBufferObjectsTheDataStayInMemory)
{
	const float before = g_mem_used.value;
	glExt.vbo_avail = 0;
	glExt.glGenBuffersARB = nullptr;
	glExt.glBindBufferARB = nullptr;
	glExt.glBufferDataARB = nullptr;
	glExt.glBufferSubDataARB = nullptr;
	const std::vector<int> counts = {300, 3};
	{
		OGL_chunkybuffer b;
		fill(b, counts);
		b.finalize_vbo(1);
		EXPECT_EQ(b.vbo, 0u);
		ASSERT_NE(b.memory, nullptr);
		EXPECT_EQ(b.size, 303 * 4);
		expect_words(b.memory, b, counts);
		EXPECT_EQ(b.is_mapped(), 0);
		b.map();
		b.unmap();	// nothing to unmap, the block stays
		ASSERT_NE(b.memory, nullptr);
		expect_words(b.memory, b, counts);
	}
	EXPECT_EQ(g_mem_used.value, before);
	EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
