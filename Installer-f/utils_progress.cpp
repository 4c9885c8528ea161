// The pace of a web run and the time it has left: what the streams received
// and how long a small archive holds a stream, how fast a large one comes,
// what a file and a kilobyte cost the unpack set. Only the seconds data
// flowed or files were unpacked count: a wait for the network is no work.
#include "utils.h"
#include "utils_internal.h"
#include "UTL_clock.h"
#include "UTL_threads.h"
#include <algorithm>
#include <cmath>

// Bytes came this recently: the data still flows.
static const float flow_grace_seconds = 2;
// Pump steps further apart than this: a prompt or another screen stood in
// front of the run, which is no time of its own.
static const float meter_gap_seconds = 0.5f;
// Until the run has measured its own: what a file and a kilobyte cost a
// worker to unpack (a few milliseconds; about 250 MB a second).
static const float prior_file_cost = 0.002f, prior_kb_cost = 4e-6f;
// ... and what a small archive holds a stream while none has come yet.
static const float prior_latency = 0.05f;
// A kilobyte costs at least this (2 GB a second), whatever the sums say.
static const float least_kb_cost = 5e-7f;
// Unpacked files no larger than this (kB) measure the cost of a file, larger
// ones the cost of a kilobyte once this many have been written.
static const float small_unpack_kb = 64, kb_cost_measured_after = 8000;
// A rate needs this many seconds behind it.
static const float measured_after_seconds = 0.5f;
// A large archive's first moments are no measure of the link: what the
// sender's buffers held comes at once. Its pace is taken from then on.
static const float warm_up_seconds = 0.5f;

static bool warmed_up(int stream) { return xtim.elapsed - g_grab.meter.stream_start[stream] >= warm_up_seconds; }

static bool is_large(float kb1) { return (int64_t)(kb1 * 1000) > grab_archive_in_memory_max; }

static bool wanted(const file_version_struct& v) { return v.want_download && !v.want_delete && !v.up_to_date; }

void grab_meter_reset()
{
	g_grab.meter = grab_meter();
	grab_unpack_meter& u = g_grab.unpack_meter;
	u.done_us = u.small_us = u.large_us = u.large_written = 0;
	u.small_n = u.large_n = 0;
}

void grab_meter_count_work()
{
	grab_meter& m = g_grab.meter;
	const size_t n = sim_info.size();
	m.later_kb1.assign(n + 1, 0);
	m.later_kb2.assign(n + 1, 0);
	m.received.assign(n, 0);
	for (size_t k = n; k-- > 0;) {
		const file_version_struct& v = sim_info[k].versions.back();
		const bool w = wanted(v);
		m.later_kb1[k] = std::max(m.later_kb1[k + 1], w && is_large(v.kb1) ? v.kb1 : 0.0f);
		m.later_kb2[k] = std::max(m.later_kb2[k + 1], w ? v.kb2 : 0.0f);
		if (!w) continue;
		++m.unpack_total;
		m.unpack_kb_total += v.kb2;
		if (is_large(v.kb1))
			m.large_kb_total += v.kb1;
		else
			++m.small_total;
	}
	m.counted = 1;
}

void grab_meter_begins(int stream, float kb1)
{
	grab_meter& m = g_grab.meter;
	m.stream_start[stream] = m.stream_last[stream] = xtim.elapsed;
	m.stream_kb[stream] = 0;
	m.stream_large[stream] = is_large(kb1);
}

// The seconds since `last` that data flowed, when bytes came now: none after a
// longer gap, which was a wait. `last` becomes now.
static float flowed_since(float& last)
{
	const float now = xtim.elapsed, gap = now - last;
	last = now;
	return gap >= 0 && gap < flow_grace_seconds ? gap : 0;
}

// The seconds a meter-wide clock adds for bytes that came on a stream after
// `on_stream` seconds of its own: no more than since bytes last came anywhere.
static float flowed_with(float& last, float on_stream)
{
	const float gap = xtim.elapsed - last;
	last = xtim.elapsed;
	return gap >= 0 && gap < on_stream ? gap : on_stream;
}

void grab_meter_received(int stream, int64_t bytes)
{
	if (bytes <= 0) return;
	grab_meter& m = g_grab.meter;
	const float kb = bytes / 1000.0f;
	// the time since the stream asked, or last received, is the time these bytes took
	const float on_stream = flowed_since(m.stream_last[stream]);
	m.received_kb += kb;
	m.flow += flowed_with(m.flow_last, on_stream);
	m.stream_kb[stream] += kb;
	if (!m.stream_large[stream] || !warmed_up(stream)) return;
	m.large_kb += kb;
	m.large_flow += flowed_with(m.large_last, on_stream);
	m.large_stream_seconds += on_stream;
}

void grab_meter_done(int stream, int64_t rest_bytes)
{
	grab_meter_received(stream, rest_bytes);
	grab_meter& m = g_grab.meter;
	const int f = g_grab.streams[stream].file;
	// a copy fetched again (the first was wrong) is work found, not work done twice
	const bool again = f >= 0 && f < (int)m.received.size() && m.received[f];
	if (f >= 0 && f < (int)m.received.size()) m.received[f] = 1;
	if (m.stream_large[stream]) {
		if (!again) m.large_done_kb += m.stream_kb[stream];
	} else {
		if (!again) ++m.small_done;
		++m.small_timed;
		m.small_seconds += std::max(0.0f, xtim.elapsed - m.stream_start[stream]);
	}
	m.stream_kb[stream] = 0;
}

bool grab_data_flowing() { return xtim.elapsed - g_grab.meter.flow_last < flow_grace_seconds; }

void grab_meter_tick()
{
	grab_meter& m = g_grab.meter;
	const float now = xtim.elapsed;
	float dt = m.last_tick < 0 ? 0 : now - m.last_tick;
	m.last_tick = now;
	if (dt < 0 || dt > meter_gap_seconds) dt = 0;
	const bool flowing = grab_data_flowing(), busy = !g_grab.files_held.empty();
	if (flowing) m.flow_steps += dt;
	if (busy) m.busy += dt;
	if (flowing || busy) m.active += dt;
}

// A slot's states: a worker claims an idle one, fills it and then marks it running.
enum { slot_idle, slot_claimed, slot_running };

int grab_unpack_slot_take(int file)
{
	for (int k = 0; k < grab_unpack_slots; ++k) {
		grab_unpack_slot& s = g_grab.unpack_meter.slots[k];
		int idle = slot_idle;
		if (!s.busy.compare_exchange_strong(idle, slot_claimed)) continue;
		s.written = 0;
		s.file = file;
		s.start_us = (int64_t)xtim_class::microsecs();
		s.busy = slot_running;	// the main thread reads it from now on
		return k;
	}
	return -1;
}

void grab_unpack_slot_give(int k, float kb2)
{
	if (k < 0) return;
	grab_unpack_meter& u = g_grab.unpack_meter;
	grab_unpack_slot& s = u.slots[k];
	const int64_t took = (int64_t)xtim_class::microsecs() - s.start_us;
	u.done_us += took;
	if (kb2 <= small_unpack_kb) {
		u.small_us += took;
		++u.small_n;
	} else {
		u.large_us += took;
		u.large_written += s.written.load();
		++u.large_n;
	}
	s.busy = slot_idle;
}

float grab_estimate_left(const grab_work_left& w)
{
	const bool downloading = w.small_files > 0 || w.large_kb > 0 || w.largest_kb > 0;
	float dl = 0;
	if (downloading) {
		if ((w.small_files > 0 && !(w.latency >= 0)) || ((w.large_kb > 0 || w.largest_kb > 0) && !(w.link_kbps > 0)))
			return NAN;
		// the streams share the small archives' turns and the link's bytes; the
		// largest archive comes on one stream, however many there are
		const float streams = w.streams >= 1 ? w.streams : 1;
		dl = w.small_files * w.latency / streams + (w.large_kb > 0 ? w.large_kb / w.link_kbps : 0);
		const float one_stream = w.stream_kbps > 0 ? w.stream_kbps : w.link_kbps;
		if (w.largest_kb > 0) dl = std::max(dl, w.largest_kb / one_stream);
		// the last archive is unpacked after its last byte came
		dl += w.file_cost + w.kb_cost * w.tail_kb;
	}
	float unpack = 0;
	if (w.unpack_files > 0) {
		// the set's workers share the files; the largest is one worker's alone
		const float workers = w.workers >= 1 ? w.workers : 1;
		unpack = std::max((w.unpack_files * w.file_cost + w.unpack_kb * w.kb_cost) / workers,
		                  w.file_cost + w.kb_cost * w.largest_unpack_kb);
	}
	return std::max(dl, unpack);
}

// The run's work left and its pace as measured; *grounded: every rate the
// download's part rests on is the run's own.
static grab_work_left work_left(bool* grounded)
{
	const grab_meter& m = g_grab.meter;
	const grab_unpack_meter& u = g_grab.unpack_meter;
	grab_work_left w;
	const int count = (int)sim_info.size();
	const int cursor = std::min(std::max(grab_pump.next_file, 0), count);
	for (const grab_stream& st : g_grab.streams) w.streams += st.on;

	// what is still to come; a file received before and fetched again (its
	// copy was wrong) is more to come, one given up is none
	auto received = [&](int f) { return f >= 0 && f < (int)m.received.size() && m.received[f]; };
	float large_running = 0, large_more = 0;
	int small_more = 0;
	w.largest_kb = m.later_kb1.empty() ? 0 : m.later_kb1[cursor];
	w.tail_kb = m.later_kb2.empty() ? 0 : m.later_kb2[cursor];
	for (int i = 0; i < http_stream_count; ++i) {
		const grab_stream& st = g_grab.streams[i];
		if (!st.on || st.take || st.file < 0 || st.file >= count || g_grab.files_held.count(st.file)) continue;
		const file_version_struct& v = sim_info[st.file].versions.back();
		if (!wanted(v)) continue;
		w.tail_kb = std::max(w.tail_kb, v.kb2);
		if (!m.stream_large[i] || !http.busy(st.slot)) continue;
		if (received(st.file))
			large_more += v.kb1 - m.stream_kb[i];
		else
			large_running += m.stream_kb[i];
		w.largest_kb = std::max(w.largest_kb, v.kb1 - m.stream_kb[i]);
	}
	for (const grab_retry& r : g_grab.retry_files) {
		if (!received(r.file)) continue;
		const file_version_struct& v = sim_info[r.file].versions.back();
		if (!is_large(v.kb1)) {
			++small_more;
			continue;
		}
		large_more += v.kb1;
		w.largest_kb = std::max(w.largest_kb, v.kb1);
		w.tail_kb = std::max(w.tail_kb, v.kb2);
	}
	int unpack_gone = 0;
	float unpack_gone_kb = 0;
	for (const grab_failure& g : g_grab.failed) {
		if (g.file < 0 || g.file >= count || g_grab.written.count(g.file)) continue;
		const file_version_struct& v = sim_info[g.file].versions.back();
		if (!wanted(v)) continue;
		++unpack_gone;
		unpack_gone_kb += v.kb2;
		if (received(g.file)) continue;
		if (is_large(v.kb1))
			large_more -= v.kb1;
		else
			--small_more;
	}
	w.small_files = (float)std::max(0, m.small_total - m.small_done + small_more);
	w.large_kb = std::max(0.0f, m.large_kb_total - m.large_done_kb - large_running + large_more);
	if (w.large_kb <= 0) w.largest_kb = 0;
	const bool small_known = m.small_timed > 0, link_known = m.large_flow >= measured_after_seconds;
	w.latency = small_known ? m.small_seconds / m.small_timed : prior_latency;
	// until a large archive has come, the bytes the small ones brought over the
	// steps data flowed in: no more than the link gives, so the bar does not
	// run ahead of the work
	w.link_kbps = link_known ? m.large_kb / m.large_flow : m.flow_steps > 0 ? m.received_kb / m.flow_steps : NAN;
	w.stream_kbps = link_known ? m.large_kb / m.large_stream_seconds : w.link_kbps;
	*grounded = (w.small_files <= 0 || small_known) && (w.large_kb <= 0 || link_known);

	// what is still to unpack, and what the set's files cost
	const int64_t now_us = (int64_t)xtim_class::microsecs();
	double running_us = 0, large_us = (double)u.large_us.load();
	int64_t running_written = 0, large_written = u.large_written.load();
	int large_n = u.large_n.load();
	for (const grab_unpack_slot& s : u.slots) {
		if (s.busy.load() != slot_running) continue;
		const double took = (double)(now_us - s.start_us.load());
		const int64_t written = s.written.load();
		running_us += took;
		running_written += written;
		const int f = s.file.load();
		if (f < 0 || f >= count) continue;
		const float kb2 = sim_info[f].versions.back().kb2;
		w.largest_unpack_kb = std::max(w.largest_unpack_kb, kb2 - written / 1000.0f);
		if (kb2 > small_unpack_kb) {	// a large file measures the bytes' cost as it is written
			large_us += took;
			large_written += written;
			++large_n;
		}
	}
	// the held archives a worker has not taken yet are whole
	for (int f : g_grab.files_held) {
		if (f < 0 || f >= count) continue;
		bool started = false;
		for (const grab_unpack_slot& s : u.slots) started = started || (s.busy.load() == slot_running && s.file.load() == f);
		if (!started) w.largest_unpack_kb = std::max(w.largest_unpack_kb, sim_info[f].versions.back().kb2);
	}
	w.largest_unpack_kb = std::max(w.largest_unpack_kb, w.tail_kb);
	w.unpack_files = (float)std::max(0, m.unpack_total - (int)g_grab.written.size() - unpack_gone);
	w.unpack_kb = std::max(0.0f, m.unpack_kb_total - grab_pump.kb_installed - unpack_gone_kb - running_written / 1000.0f);
	const double thread_seconds = (u.done_us.load() + running_us) / 1e6;
	w.file_cost = u.small_n.load() > 0 ? (float)(u.small_us.load() / 1e6 / u.small_n.load()) : prior_file_cost;
	w.kb_cost = prior_kb_cost;
	if (large_written / 1000.0 >= kb_cost_measured_after) {
		const float per_kb = (float)((large_us / 1e6 - w.file_cost * large_n) / (large_written / 1000.0));
		w.kb_cost = std::max(per_kb, least_kb_cost);
	}
	const float threads = (float)UTL_count_processors();
	w.workers = m.busy >= measured_after_seconds ? (float)(thread_seconds / m.busy) : std::min(threads, 2.0f);
	w.workers = std::min(std::max(w.workers, 1.0f), threads);
	return w;
}

float grab_seconds_left(bool* grounded)
{
	bool g = false;
	float left = 0;
	if (g_grab.checking || grab_pump.done) {
		g = true;	// what the run wrote is looked at: its end is near
	} else if (g_grab.meter.counted) {
		left = grab_estimate_left(work_left(&g));
	} else {
		left = NAN;
	}
	if (grounded) *grounded = g && !std::isnan(left);
	return left;
}

float grab_active_seconds() { return g_grab.meter.active; }

float grab_rate_kbps()
{
	const grab_meter& m = g_grab.meter;
	return m.flow >= measured_after_seconds ? m.received_kb / m.flow : 0;
}
